# The two commands a new user needs. Everything else is CMake.
.PHONY: run test deps build build-test bench clean

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
