# The user's entry: `make run` runs the test executable, `make test` runs every
# test, `make install PREFIX=DIR` installs the tool and the library (DESTDIR
# too), `make deb` makes the Debian package. The checks: `make asan` (every
# test under AddressSanitizer and UndefinedBehaviorSanitizer), `make fuzz` (the
# round-trip fuzzer for FUZZ_SECONDS), `make lint` (clang-tidy and
# clang-format), `make coverage` (line and branch coverage of model/). Each
# first installs what it needs on a fresh Debian or Ubuntu machine. Builds are
# quiet: one line says what was built; the full log (DIR/make.log) is named,
# and its end shown, when something fails.

PRESET ?= release
BUILD  := build
PREFIX ?= /usr/local
SUDO   := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

FUZZ_SECONDS          ?= 60
COVERAGE_MIN_LINES    ?= 0
COVERAGE_MIN_BRANCHES ?= 0

# What each target needs, as check=package: a command on the PATH, a
# pkg-config module (pc:), a header in /usr/include (h:) or a clang runtime
# library (rt:). dpkg-shlibdeps and file are what cpack -G DEB runs, and
# lintian checks the package it makes; node, npm and nvim drive the language
# server's tests.
BUILD_NEEDS    := g++=g++ cmake=cmake pkg-config=pkg-config pc:cppunit=libcppunit-dev valgrind=valgrind \
                  help2man=help2man h:boost/multiprecision/cpp_int.hpp=libboost-dev \
                  h:nlohmann/json.hpp=nlohmann-json3-dev h:CLI/CLI.hpp=libcli11-dev dpkg-shlibdeps=dpkg-dev \
                  file=file lintian=lintian node=nodejs npm=npm nvim=neovim
CLANG_NEEDS    := $(BUILD_NEEDS) clang++=clang rt:asan=libclang-rt-dev rt:ubsan_standalone=libclang-rt-dev \
                  rt:fuzzer=libclang-rt-dev
LINT_NEEDS     := $(BUILD_NEEDS) clang++=clang clang-tidy=clang-tidy run-clang-tidy=clang-tidy \
                  clang-format=clang-format em++=emscripten
COVERAGE_NEEDS := $(BUILD_NEEDS) gcov=g++ lcov=lcov genhtml=lcov
# The playground page and its tests in a real browser (make web, make test).
WEB_NEEDS      := em++=emscripten chromium=chromium node=nodejs npm=npm \
                  h:boost/multiprecision/cpp_int.hpp=libboost-dev h:nlohmann/json.hpp=nlohmann-json3-dev
# The picture in docs/lsp.md (make editor-picture): Neovim in an xterm on a
# virtual X display, taken with ImageMagick. Its font, DejaVu Sans Mono, comes
# with xterm (fonts-dejavu-core is fontconfig's first choice).
EDITOR_PICTURE_NEEDS := nvim=neovim Xvfb=xvfb xterm=xterm import=imagemagick convert=imagemagick \
                        identify=imagemagick

# The sources that lint looks at: every C++ file of the tree outside the
# build directories. clang-tidy reads each .cpp with its compile command from
# build-lint/, so each must be built by some target there.
LINT_FILES     := $(shell find . \( -path './build*' -o -path ./.git -o -name node_modules \) -prune -o \
                    \( -name '*.cpp' -o -name '*.h' \) -type f -print | sed 's|^\./||' | LC_ALL=C sort)
TIDY_SOURCES   := $(filter %.cpp,$(LINT_FILES))
FORMAT_SOURCES := $(LINT_FILES)

# Branch coverage on; the branches that only exception unwinding takes are
# left out by the gcov wrapper (see README). Debian's lcov 1.16 warns about
# subroutines it defines twice; that noise is dropped.
LCOV_RC := --rc lcov_branch_coverage=1
lcov_quietly = $(1) 2>build-coverage/lcov.log; status=$$?; \
	grep -v 'Subroutine .* redefined at' build-coverage/lcov.log >&2; exit $$status

.PHONY: all run test build install deb deps deps-clang deps-lint deps-coverage deps-web asan fuzz lint format coverage \
        clean bench web

all: build

# $(call install,NEEDS): installs the package of every need that is not met,
# saying only which; apt's own output is shown only if it fails.
define install
	@missing=""; \
	for need in $(1); do \
	  check=$${need%%=*}; package=$${need#*=}; \
	  case "$$check" in \
	    pc:*) pkg-config --exists "$${check#pc:}" 2>/dev/null ;; \
	    h:*) test -e "/usr/include/$${check#h:}" ;; \
	    rt:*) ls "$$(clang++ -print-runtime-dir 2>/dev/null)"/libclang_rt."$${check#rt:}"[-.]*a >/dev/null 2>&1 ;; \
	    *) command -v "$$check" >/dev/null 2>&1 ;; \
	  esac || case " $$missing " in *" $$package "*) ;; *) missing="$$missing $$package" ;; esac; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if command -v apt-get >/dev/null 2>&1 && { [ "$$(id -u)" = 0 ] || command -v sudo >/dev/null 2>&1; }; then \
	    log=$$(mktemp); \
	    { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; } \
	      >"$$log" 2>&1 \
	      || { tail -n 20 "$$log" >&2; rm -f "$$log"; \
	           echo "could not install:$$missing; please install them and run make again" >&2; exit 1; }; \
	    rm -f "$$log"; \
	  else \
	    echo "missing:$$missing; please install them (Debian/Ubuntu packages:$$missing) and run make again" >&2; exit 1; \
	  fi; \
	fi
endef

# $(call build_quietly,PRESET,DIR[,BUILD-ARGS]): configures and builds a
# preset with its output in DIR/make.log, then says so in one line.
define build_quietly
	@mkdir -p $(2); log=$(2)/make.log; start=$$(date +%s); \
	if { cmake --preset $(1) && cmake --build --preset $(1) -j2 $(3); } >$$log 2>&1; then \
	  echo "built $(1) in $(2)/ ($$(($$(date +%s) - start)) s; log: $$log)" >&2; \
	else \
	  tail -n 40 $$log >&2; echo "build of $(1) failed; its log: $$log" >&2; exit 1; \
	fi
endef

# $(call test_quietly,PRESET,DIR): every CTest test of a preset, on both
# cores; shown are the failures with their output and the summary. The whole
# run is in DIR/test.log.
define test_quietly
	@ctest --preset $(1) >$(2)/test.log 2>&1; status=$$?; \
	grep -Ev '^(Test project | *Start +[0-9]+: | *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$$)' $(2)/test.log | \
	  sed '/./,$$!d'; \
	[ $$status = 0 ] || echo "tests failed; the whole run: $(2)/test.log" >&2; exit $$status
endef

deps:
	$(call install,$(BUILD_NEEDS))

deps-clang:
	$(call install,$(CLANG_NEEDS))

deps-lint:
	$(call install,$(LINT_NEEDS))

deps-coverage:
	$(call install,$(COVERAGE_NEEDS))

deps-web:
	$(call install,$(WEB_NEEDS))

build: deps
	$(call build_quietly,$(PRESET),$(BUILD))

run: build
	@$(BUILD)/bin/loopcost-suites

# The build, then what the tests use besides (test-inputs: the page, whose
# tools deps-web installs, and the node modules), then every test.
test: deps deps-web
	$(call build_quietly,$(PRESET),$(BUILD),--target all test-inputs)
	$(call test_quietly,$(PRESET),$(BUILD))

# Into PREFIX, below DESTDIR when that is set; cmake names each file.
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package of the tool and the library, in build/.
deb: build
	@cd $(BUILD) && cpack -G DEB >cpack.log 2>&1 || { tail -n 20 cpack.log >&2; exit 1; }; \
	sed -n 's/^CPack: - package: \(.*\) generated\.$$/\1/p' cpack.log

# The playground, $(BUILD)/web/index.html: one file that opens from file://
# (the target web of web/CMakeLists.txt).
web: deps deps-web
	$(call build_quietly,$(PRESET),$(BUILD),--target web)
	@echo "the page: $(BUILD)/web/index.html" >&2

# Generates 2 MB and 20 MB programs and measures loopcost beside wc -w.
bench: build
	@sh bench/run.sh $(BUILD)/bin $(BUILD)/bench

# Remakes docs/lsp-editor.png from the tool of this build (see
# tools/editor-screenshot.sh).
.PHONY: editor-picture
editor-picture: deps
	$(call install,$(EDITOR_PICTURE_NEEDS))
	$(call build_quietly,$(PRESET),$(BUILD),--target loopcost)
	@sh tools/editor-screenshot.sh $(BUILD)/bin/loopcost docs/lsp-editor.png

# Every CTest test of a clang build with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, any report fatal; the debug heap is off there.
asan: deps-clang
	$(call build_quietly,asan,build-asan,--target all test-inputs)
	$(call test_quietly,asan,build-asan)

# New corpus entries go to a temporary directory; an input that breaks the
# check is kept in build-fuzz/findings/ (add it to fuzz/regressions/ once fixed).
# $(call fuzz_target,NAME,SEEDS,DICTIONARY): runs one libFuzzer target of the
# fuzz build for FUZZ_SECONDS from its seeds.
define fuzz_target
	@corpus=$$(mktemp -d) && trap 'rm -rf "$$corpus"' EXIT && \
	echo "fuzzing $(1) for $(FUZZ_SECONDS) s" && \
	if build-fuzz/bin/$(1) "$$corpus" $(2) -dict=$(3) \
	     -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	     -artifact_prefix=build-fuzz/findings/ >build-fuzz/$(1).log 2>&1; then \
	  grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' build-fuzz/$(1).log; \
	else \
	  tail -n 80 build-fuzz/$(1).log; echo "fuzz: finding kept in build-fuzz/findings/ (log: build-fuzz/$(1).log)" >&2; \
	  exit 1; \
	fi
endef

# Program texts through the round-trip and analysis checks, then protocol
# bytes through the language server, FUZZ_SECONDS each.
fuzz: deps-clang
	$(call build_quietly,fuzz,build-fuzz,--target loopcost-fuzz loopcost-lsp-fuzz)
	@mkdir -p build-fuzz/findings
	$(call fuzz_target,loopcost-fuzz,fuzz/corpus fuzz/regressions,fuzz/program.dict)
	$(call fuzz_target,loopcost-lsp-fuzz,fuzz/lsp-corpus,fuzz/lsp.dict)

lint: deps-lint
	@cmake --preset lint >/dev/null
	@unbuilt=""; for f in $(TIDY_SOURCES); do \
	  grep -qF "\"file\": \"$(CURDIR)/$$f\"" build-lint/compile_commands.json || unbuilt="$$unbuilt $$f"; \
	done; [ -z "$$unbuilt" ] || { echo "no compile command for:$$unbuilt (add them to a target)" >&2; exit 1; }
	@echo "clang-tidy over $(words $(TIDY_SOURCES)) sources in $(sort $(patsubst %/,%,$(dir $(TIDY_SOURCES))))"
	@run-clang-tidy -p build-lint -quiet -j 2 $(addprefix $(CURDIR)/,$(TIDY_SOURCES)) >build-lint/tidy.log 2>&1; \
	status=$$?; sed 's/\x1b\[[0-9;]*m//g' build-lint/tidy.log | grep -Ev '^(clang-tidy(-[0-9]+)? |[0-9]+ warnings? generated\.$$)'; \
	[ $$status = 0 ] || { echo "clang-tidy: findings above" >&2; exit 1; }
	@echo "clang-format over $(words $(FORMAT_SOURCES)) files"
	@changed=""; for f in $(FORMAT_SOURCES); do clang-format "$$f" | cmp -s "$$f" - || changed="$$changed $$f"; done; \
	[ -z "$$changed" ] || { echo "clang-format would change:$$changed (make format applies it)" >&2; exit 1; }

format: deps-lint
	@clang-format -i $(FORMAT_SOURCES)

# Line and branch coverage of model/ by every CTest test; the report is in
# build-coverage/html/index.html.
coverage: deps-coverage
	$(call build_quietly,coverage,build-coverage,--target all test-inputs)
	@lcov --quiet --zerocounters --directory build-coverage
	$(call test_quietly,coverage,build-coverage)
	@rm -f build-coverage/*.info
	@$(call lcov_quietly,lcov --quiet $(LCOV_RC) --gcov-tool $(CURDIR)/tools/gcov-without-throw \
	  --capture --directory build-coverage --output-file build-coverage/all.info)
	@$(call lcov_quietly,lcov --quiet $(LCOV_RC) --extract build-coverage/all.info '$(CURDIR)/model/*' \
	  --output-file build-coverage/model.info)
	@$(call lcov_quietly,genhtml --quiet $(LCOV_RC) --output-directory build-coverage/html build-coverage/model.info)
	@lcov $(LCOV_RC) --list build-coverage/model.info 2>/dev/null | sed -n '/^\[/,$$p'
	@lcov $(LCOV_RC) --summary build-coverage/model.info 2>&1 | awk -v lines=$(COVERAGE_MIN_LINES) \
	  -v branches=$(COVERAGE_MIN_BRANCHES) ' \
	  /^ *lines/ { seen++; got = $$2 + 0; if (got < lines) { print "coverage: lines " got "% < " lines "%"; bad = 1 } } \
	  /^ *branches/ { seen++; got = $$2 + 0; if (got < branches) { print "coverage: branches " got "% < " branches "%"; bad = 1 } } \
	  END { if (seen != 2) { print "coverage: no line and branch summary"; bad = 1 }; exit bad }' >&2

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-coverage build-lint
