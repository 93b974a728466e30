# Tolmex: the two everyday commands are `make run` and `make test`.
BUILD       ?= build
CHECK_BUILD ?= build-check
BENCH_BUILD ?= build-bench
JOBS        ?= $(shell nproc)

.PHONY: all deps build run test check bench clean

all: build

deps:
	@bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/tolmex

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The same suites under AddressSanitizer and UndefinedBehaviorSanitizer.
check: deps
	cmake -S . -B $(CHECK_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLMEX_SANITIZE=ON
	cmake --build $(CHECK_BUILD) -j$(JOBS)
	cd $(CHECK_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j$(JOBS)

bench: deps
	@bash tools/install-bench-deps.sh
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTOLMEX_BENCH=ON
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || true; done

clean:
	rm -rf $(BUILD) $(CHECK_BUILD) $(BENCH_BUILD)
