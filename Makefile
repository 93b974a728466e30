# Tolmex: the two everyday commands are `make run` and `make test`.
BUILD       ?= build
CHECK_BUILD ?= build-check
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_ARGS   ?=
JOBS        ?= $(shell nproc)

.PHONY: all deps build run test check bench fuzz clean

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
	cd $(CHECK_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j$(JOBS)

bench: deps
	@bash tools/install-bench-deps.sh
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTOLMEX_BENCH=ON
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || true; done

# The statement fuzzer (libFuzzer under ASan and UBSan) for FUZZ_SECONDS,
# seeded with the transcript tests; the corpus it grows is kept in
# $(FUZZ_BUILD)/corpus. A crash leaves its input in $(FUZZ_BUILD)/run.
fuzz: deps
	@bash tools/install-fuzz-deps.sh
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLMEX_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_statements
	@mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds $(FUZZ_BUILD)/run
	@cp tests/scripts/*.in $(FUZZ_BUILD)/seeds/
	@echo 300 > $(FUZZ_BUILD)/run/tolstart.txt
	cd $(FUZZ_BUILD)/run && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		../fuzz_statements -max_total_time=$(FUZZ_SECONDS) -timeout=30 -rss_limit_mb=4096 \
		-max_len=2048 -dict=$(CURDIR)/fuzz/statements.dict $(FUZZ_ARGS) ../corpus ../seeds

clean:
	rm -rf $(BUILD) $(CHECK_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
