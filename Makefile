# Two commands for a fresh Debian machine (root or sudo):
#   make run    install what is missing, build the program and its tools, start Kordex
#   make test   install what is missing, build everything (of the benchmarks only the
#               decoder's), run every test
# and:
#   make deb    a Debian package (build/kordex_VERSION_ARCH.deb)
#   make bench  the decoder (and its instructions per byte against libvterm's),
#               burst, start-up and event history benchmarks
BUILD   ?= build
JOBS    ?= $(shell nproc)
PACKAGES = cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev \
           libqt6sql6-sqlite libqt6sql6-psql fonts-liberation libbenchmark-dev socat xvfb xauth
SUDO     = $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# The simulated panel model `make run` connects to: 1603, 1603L, 4428, zr9, zr9fb.
MODEL   ?= 1603
# ON turns compiler warnings into errors; `make test` (CI) does.
WERROR  ?=
# `make test` builds only the decoder's benchmark (the test of its links needs
# it); `make bench` and `make build` configure them all.
BENCH_SET ?= ALL
# `make test` builds without debug information, which takes a third less time
# to compile and link; the code is optimised the same (-O2).
BUILD_TYPE ?= RelWithDebInfo
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
            -DKORDEX_BENCH_SET=$(BENCH_SET) $(if $(WERROR),-DKORDEX_WERROR=$(WERROR))

# What `make run` and `make deb` build: the program and its tools, no tests.
PROGRAMS = kordex kordex-replay kordex-panel

.PHONY: deps build run test sanitize bench deb clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j$(JOBS)

# A warning never keeps Kordex from starting: if a build that treats warnings
# as errors (left by `make test`) fails, it is built again without.
run: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j$(JOBS) --target $(PROGRAMS) || \
	    { cmake -S . -B $(BUILD) -DKORDEX_WERROR=OFF && cmake --build $(BUILD) -j$(JOBS) --target $(PROGRAMS); }
	exec $(BUILD)/bin/kordex --demo $(MODEL)

# clang-tidy checks the naming convention (the `naming` test).
test: WERROR = ON
test: BENCH_SET = DECODER
test: BUILD_TYPE = Release
test: PACKAGES += clang-tidy
# The team history's test runs a PostgreSQL server of its own.
test: PACKAGES += postgresql
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300

# Every test on a build with AddressSanitizer (leaks checked at exit) and
# UndefinedBehaviorSanitizer, in a build folder of its own.
SANITIZE_BUILD ?= build-sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORDEX_SANITIZE=ON -DKORDEX_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2 --timeout 900

# libvterm and valgrind for the decoder's count of instructions against
# libvterm's (bench/vterm_ratio.sh).
bench: PACKAGES += libvterm-dev valgrind
bench: build
	$(BUILD)/bin/bench_decoder
	bench/vterm_ratio.sh $(BUILD)/bin/bench_vterm
	$(BUILD)/bin/bench_window
	$(BUILD)/bin/bench_history --file $(BUILD)/bench-history.sqlite
	QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bin/bench_window --start-up

# dpkg-shlibdeps (dpkg-dev) finds the package's library dependencies, in the
# files that CPack picks out with `file`.
deb: PACKAGES += dpkg-dev file
deb: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j$(JOBS) --target $(PROGRAMS)
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
