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

# End-to-end figures of the optimised build; they bind the car link ports.
bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	build/release/bin/bench_round_trip
	build/release/bin/bench_lap_error
	build/release/bin/bench_resources

clean:
	rm -rf build
