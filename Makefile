# The user's entry: `make run` runs the test executable, `make test` runs every
# test. The checks: `make asan` (every test under AddressSanitizer and
# UndefinedBehaviorSanitizer), `make fuzz` (the round-trip fuzzer for
# FUZZ_SECONDS). Each first installs what it needs on a
# fresh Debian or Ubuntu machine.

PRESET ?= release
BUILD  := build
SUDO   := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

FUZZ_SECONDS ?= 60

# What each target needs, as check=package: a command on the PATH, a
# pkg-config module (pc:) or a clang runtime library (rt:).
BUILD_NEEDS    := g++=g++ cmake=cmake pkg-config=pkg-config pc:cppunit=libcppunit-dev valgrind=valgrind
CLANG_NEEDS    := $(BUILD_NEEDS) clang++=clang rt:asan=libclang-rt-dev rt:ubsan_standalone=libclang-rt-dev \
                  rt:fuzzer=libclang-rt-dev

.PHONY: all run test build deps deps-clang asan fuzz clean

all: build

# $(call install,NEEDS): installs the package of every need that is not met.
define install
	@missing=""; \
	for need in $(1); do \
	  check=$${need%%=*}; package=$${need#*=}; \
	  case "$$check" in \
	    pc:*) pkg-config --exists "$${check#pc:}" 2>/dev/null ;; \
	    rt:*) ls "$$(clang++ -print-runtime-dir 2>/dev/null)"/libclang_rt."$${check#rt:}"[-.]*a >/dev/null 2>&1 ;; \
	    *) command -v "$$check" >/dev/null 2>&1 ;; \
	  esac || case " $$missing " in *" $$package "*) ;; *) missing="$$missing $$package" ;; esac; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if command -v apt-get >/dev/null 2>&1 && { [ "$$(id -u)" = 0 ] || command -v sudo >/dev/null 2>&1; }; then \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing >/dev/null \
	      || { echo "could not install:$$missing; please install them and run make again" >&2; exit 1; }; \
	  else \
	    echo "missing:$$missing; please install them (Debian/Ubuntu packages:$$missing) and run make again" >&2; exit 1; \
	  fi; \
	fi
endef

deps:
	$(call install,$(BUILD_NEEDS))

deps-clang:
	$(call install,$(CLANG_NEEDS))

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) -j2

run: build
	@$(BUILD)/bin/loopcost-suites

test: build
	@ctest --preset $(PRESET)

# Every CTest test of a clang build with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, any report fatal; the debug heap is off there.
asan: deps-clang
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j2
	@ctest --preset asan

# New corpus entries go to a temporary directory; an input that breaks the
# check is kept in build-fuzz/findings/ (add it to fuzz/regressions/ once fixed).
fuzz: deps-clang
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j2 --target loopcost-fuzz
	@mkdir -p build-fuzz/findings
	@corpus=$$(mktemp -d) && trap 'rm -rf "$$corpus"' EXIT && \
	echo "fuzzing for $(FUZZ_SECONDS) s" && \
	if build-fuzz/bin/loopcost-fuzz "$$corpus" fuzz/corpus fuzz/regressions -dict=fuzz/program.dict \
	     -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	     -artifact_prefix=build-fuzz/findings/ >build-fuzz/fuzz.log 2>&1; then \
	  grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' build-fuzz/fuzz.log; \
	else \
	  tail -n 80 build-fuzz/fuzz.log; echo "fuzz: finding kept in build-fuzz/findings/ (log: build-fuzz/fuzz.log)" >&2; \
	  exit 1; \
	fi

clean:
	rm -rf $(BUILD) build-asan build-fuzz
