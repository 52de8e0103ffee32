# Entry points for newcomers and CI. `make test` and `make demo` install what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
TEST_ENV   := QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$${XDG_RUNTIME_DIR:-/tmp/zvd-runtime}

.PHONY: deps configure build test demo asan bench clean fuzz format

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@mkdir -p /tmp/zvd-runtime && chmod 700 /tmp/zvd-runtime
	cd $(BUILD) && $(TEST_ENV) ctest --output-on-failure -j $(JOBS)

# Solves the bracket (made by examples/make_example.cpp) and renders it, and renders the site plan
# (examples/make_site_plan.cpp, every item kind), with the zvd tool.
demo: build
	@mkdir -p $(BUILD)/demo /tmp/zvd-runtime && chmod 700 /tmp/zvd-runtime
	$(TEST_ENV) ./$(BUILD)/bin/zvd info examples/bracket.xml
	$(TEST_ENV) ./$(BUILD)/bin/zvd solve examples/bracket.xml -o $(BUILD)/demo/bracket-solved.xml
	$(TEST_ENV) ./$(BUILD)/bin/zvd render $(BUILD)/demo/bracket-solved.xml -o $(BUILD)/demo/bracket.png --size 1200x900
	$(TEST_ENV) ./$(BUILD)/bin/zvd render $(BUILD)/demo/bracket-solved.xml -o $(BUILD)/demo/bracket.svg --size 1200x900
	$(TEST_ENV) ./$(BUILD)/bin/zvd render $(BUILD)/demo/bracket-solved.xml -o $(BUILD)/demo/bracket.pdf --size 1200x900
	$(TEST_ENV) ./$(BUILD)/bin/zvd info examples/siteplan.zvd
	$(TEST_ENV) ./$(BUILD)/bin/zvd render examples/siteplan.zvd -o $(BUILD)/demo/siteplan.png --size 1200x900
	$(TEST_ENV) ./$(BUILD)/bin/zvd render examples/siteplan.zvd -o $(BUILD)/demo/siteplan.svg --size 1200x900
	$(TEST_ENV) ./$(BUILD)/bin/zvd render examples/siteplan.zvd -o $(BUILD)/demo/siteplan.pdf --size 1200x900
	@echo "demo: the bracket drawn as $(CURDIR)/$(BUILD)/demo/bracket.png"
	@echo "demo: and as $(CURDIR)/$(BUILD)/demo/bracket.svg and .pdf"
	@echo "demo: the site plan (every item kind) as $(CURDIR)/$(BUILD)/demo/siteplan.png, .svg and .pdf"

asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZVD_SANITIZE=ON -DZVD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	@mkdir -p /tmp/zvd-runtime && chmod 700 /tmp/zvd-runtime
	cd $(ASAN_BUILD) && $(TEST_ENV) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZVD_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target zgp_bench zcs_bench zvd_bench zvd_bench_render zvd_bench_curves zvd_bench_persistence zvd_bench_shapes zvd_bench_texts zvd_bench_hittest
	./$(BENCH_BUILD)/zgp_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BENCH_BUILD)/zcs_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BENCH_BUILD)/zvd_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	@mkdir -p /tmp/zvd-runtime && chmod 700 /tmp/zvd-runtime
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_render --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_curves --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_shapes --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_texts --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_persistence --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(TEST_ENV) ./$(BENCH_BUILD)/zvd_bench_hittest --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# Loader fuzzing with libFuzzer (clang): builds build-fuzz/, then runs each harness for
# FUZZ_SECONDS (default 60) on the seed corpus; findings land in build-fuzz/crashes/.
fuzz: deps
	sh fuzz/build.sh
	sh fuzz/run.sh $(or $(FUZZ_SECONDS),60)

# Applies .clang-format to every C++ source of the project (not part of `make test`).
format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
