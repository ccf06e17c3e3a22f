# `make run` installs what building and running need, builds the program alone and starts
# it; `make test` installs what the tests need as well, builds everything and runs the
# tests. (./build.sh does the same where make itself is not installed yet.)
BUILD      ?= build
BUILD_SAN  ?= build-san
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps deps-run deps-test configure build program run test test-sanitize bench package clean

all: build

deps-run:
	@bash scripts/install-deps.sh run

deps-test deps:
	@bash scripts/install-deps.sh test

# A first configuration made by `make run` leaves the tests and benchmarks out (their
# libraries may not be installed); `make test` switches them on.
$(BUILD)/build.ninja: | deps-run
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVEL_TESTS=OFF -DTAVEL_BENCH=OFF

program: deps-run $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target tavel

run: program
	$(BUILD)/bin/tavel $(ARGS)

configure: deps-test
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVEL_TESTS=ON -DTAVEL_BENCH=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps-test
	cmake -S . -B $(BUILD_SAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTAVEL_SANITIZE=ON -DTAVEL_BENCH=OFF
	cmake --build $(BUILD_SAN) -j $(JOBS)
	cd $(BUILD_SAN) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# Builds the benchmark programs into $(BUILD)/bench; each prints its figures when run
# (the usage of each stands in the first lines of its source under bench/).
bench: build
	@ls $(BUILD)/bench | grep -v -e '^CMakeFiles$$' -e '\.cmake$$' -e '^CTestTestfile' || true

# The Debian package of the program (tavel_<version>_<arch>.deb in $(BUILD)).
package: program
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
