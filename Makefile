# Front door of the project: `make demo` shows the demo, `make test` runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
LAUNCHER   := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")

.PHONY: all setup configure build test test-asan demo screenshots bench fuzz install clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: setup
	$(MAKE) build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(BUILD_ASAN) $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug \
	  -DTOVLET_SANITIZE=ON -DTOVLET_BUILD_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

demo: setup
	$(MAKE) build
	$(BUILD)/bin/tovlet-demo

# Every window the demo can show, rendered headless into docs/screenshots/NAME.png
# over a freshly seeded clinic, so the pictures show the same data each time.
SHOTS_DATA := $(BUILD)/screenshots-data
screenshots: setup
	$(MAKE) build
	rm -rf $(SHOTS_DATA)
	mkdir -p docs/screenshots
	@names=$$(QT_QPA_PLATFORM=offscreen $(BUILD)/bin/tovlet-demo --show list | awk '{print $$1}') || exit 1; \
	for n in $$names; do echo "== $$n"; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/bin/tovlet-demo --data-dir $(SHOTS_DATA) --show $$n \
	    --screenshot docs/screenshots/$$n.png || exit 1; done

bench: setup
	$(MAKE) build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b || exit 1; done

fuzz: setup
	cmake -S . -B build-fuzz $(GENERATOR) $(LAUNCHER) -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug -DTOVLET_BUILD_FUZZ=ON -DTOVLET_BUILD_TESTS=OFF \
	  -DTOVLET_BUILD_DEMO=OFF -DTOVLET_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	@# New inputs go to build-fuzz/corpus; the seeds in fuzz/corpus are only read.
	@for f in build-fuzz/bin/fuzz_*; do n=$$(basename $$f | sed 's/^fuzz_//'); mkdir -p build-fuzz/corpus/$$n; \
	  echo "== $$f"; QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $$f -max_total_time=20 build-fuzz/corpus/$$n fuzz/corpus/$$n || exit 1; done

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) build-fuzz
