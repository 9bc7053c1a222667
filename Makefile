# The user's entry: `make run` runs the test executable, `make test` runs every
# test. Both install what the build needs on a fresh Debian or Ubuntu machine.

PRESET ?= release
BUILD  := build
SUDO   := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
PACKAGES := g++ cmake pkg-config libcppunit-dev valgrind

.PHONY: all run test build deps clean

all: build

deps:
	@missing=""; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v pkg-config >/dev/null 2>&1 || missing="$$missing pkg-config"; \
	pkg-config --exists cppunit 2>/dev/null || missing="$$missing libcppunit-dev"; \
	command -v valgrind >/dev/null 2>&1 || missing="$$missing valgrind"; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if command -v apt-get >/dev/null 2>&1 && { [ "$$(id -u)" = 0 ] || command -v sudo >/dev/null 2>&1; }; then \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing >/dev/null \
	      || { echo "could not install:$$missing; please install them and run make again" >&2; exit 1; }; \
	  else \
	    echo "missing:$$missing; please install them (Debian/Ubuntu packages:$$missing) and run make again" >&2; exit 1; \
	  fi; \
	fi

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) -j2

run: build
	@$(BUILD)/bin/loopcost-suites

test: build
	@ctest --preset $(PRESET)

clean:
	rm -rf $(BUILD)
