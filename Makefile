# The two commands a new user needs. Everything else is CMake.
.PHONY: run test deps build build-test clean screenshot demo

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

# End-to-end figures of the optimised build; they bind the car link ports, each in a network
# of its own where the machine allows it.
bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	cmake/own-network.sh build/release/bin/bench_round_trip
	cmake/own-network.sh build/release/bin/bench_lap_error
	cmake/own-network.sh build/release/bin/bench_resources
	cmake/own-network.sh build/release/bin/bench_lap_commit
	cmake/own-network.sh build/release/bin/bench_long_race
	cmake/own-network.sh build/release/bin/bench_journal_lock
	cmake/own-network.sh build/release/bin/bench_live_load
	cmake/own-network.sh build/release/bin/bench_relay_round_trip
	build/release/bin/bench_many_consoles
	cmake/own-network.sh build/release/bin/bench_standby_lag

clean:
	rm -rf build

# A picture of the console with two slots set up, taken under a virtual display; then the live
# page of a simulated race (in a network of its own: it binds the car and page ports).
screenshot: build
	xvfb-run -a -s "-screen 0 1920x1080x24" build/dev/bin/kaltero-screenshot build/screenshot docs/console.png
	cmake/own-network.sh xvfb-run -a -s "-screen 0 1920x1080x24" build/dev/bin/kaltero-screenshot \
	  build/screenshot-live build/screenshot-live/race.png --race --live docs/live.png docs/live-wide.png \
	  --pit-wall docs/pit-wall.png

# The console with five simulated cars on this machine: enter 127.0.0.1 as the address of
# each car (計測設定), choose cars and drivers, press Start, and watch the laps come in. Every
# 25th lap (about 7 minutes) a car stands 40 s in the pit: change its driver then, and follow
# stints, stops and the drivers' limits (short ones, put in Kaltero.ini) in the pit-wall window.
# With STANDBY=1 (make demo STANDBY=1) a Mosquitto on 127.0.0.1:18830 carries the race to a
# standby console beside the console (scripts/demo-standby): close the console, press 引き継ぎ.
demo: build
ifeq ($(STANDBY),1)
	scripts/demo-standby build/dev/bin
else
	build/dev/bin/kaltero-samples build/dev/bin
	build/dev/bin/carsim --cars 1-5 --laps 500 --in-range 4 --silence 12 --interval 500 \
	  --jitter 400 --pit-every 25 --pit-stop 40 --message OK --timeout 86400 \
	  > build/carsim.log 2>&1 & \
	  pid=$$!; build/dev/bin/kaltero; kill $$pid 2>/dev/null || true
endif
