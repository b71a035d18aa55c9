# The two commands a new user needs. Everything else is CMake.
.PHONY: run test deps build build-test clean screenshot

deps:
	@scripts/install-deps

build: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev

run: build
	build/dev/bin/kaltero

build-test: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan

test: build-test
	ctest --preset asan

clean:
	rm -rf build

# A picture of the console with two slots set up, taken under a virtual display.
screenshot: build
	xvfb-run -a -s "-screen 0 1920x1080x24" build/dev/bin/kaltero-screenshot build/screenshot docs/console.png
