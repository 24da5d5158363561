# Two set-up commands: `make run` and `make test` (see README.md).
BUILD ?= build
JOBS  ?= $(shell nproc)
DEMO  ?= demo

.PHONY: deps configure build run test bench fuzz format clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@# A new demo directory gets 500 made-up returns (5 % with typical mistakes) to work on.
	@if [ -d $(DEMO) ]; then $(BUILD)/velto init -C $(DEMO) >/dev/null; \
	 else mkdir -p $(DEMO) && $(BUILD)/velto init -C $(DEMO) >/dev/null && $(BUILD)/velto demo 500 -C $(DEMO); fi
	@if [ -x $(BUILD)/velto2012 ]; then cd $(DEMO) && exec ../$(BUILD)/velto2012; \
	 else echo "velto2012 is not built yet; the command-line tool is $(BUILD)/velto"; fi

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x $$b ] && $$b; done

fuzz: deps
	@cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTO_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzzers
	@for f in $(BUILD)-fuzz/fuzz/fuzz_*; do [ -f $$f ] && [ -x $$f ] || continue; \
	  $$f -max_total_time=60 -artifact_prefix=$(BUILD)-fuzz/ $(BUILD)-fuzz/corpus-$$(basename $$f) || exit 1; done

format:
	@cmake --build $(BUILD) --target format

clean:
	@rm -rf $(BUILD) $(BUILD)-fuzz
