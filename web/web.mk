# The playground page: `make web` runs this from the top of the tree,
#   make -f web/web.mk OUT=build/web
# and it builds $(OUT)/index.html, one self-contained file that opens from
# file:// with nothing beside it. The analysis and the model are compiled to
# WebAssembly by emscripten and inlined (SINGLE_FILE); the editor, the plot and
# the page's own script are bundled by esbuild from the packages that npm ci
# installs from web/package-lock.json into $(OUT)/npm.

OUT ?= build/web
# One name for each file however OUT is given (make web gives it relative, the
# tests' CMake absolute): the compiler's dependency files name the objects as
# they were built, and a header change must rebuild them under either name.
override OUT := $(abspath $(OUT))
# Debian's emscripten finds its own node modules only through NODE_PATH.
EMXX := NODE_PATH=/usr/share/nodejs em++

# The node pool asks the kernel for huge pages and keeps chunks per thread:
# nothing of that exists in the browser, and the model works without it.
ENGINE_SOURCES := $(wildcard model/*.cpp) $(wildcard analysis/*.cpp) web/engine.cpp web/bindings.cpp
ENGINE_OBJECTS := $(patsubst %.cpp,$(OUT)/obj/%.o,$(ENGINE_SOURCES))

# Boost and the JSON library come in through a folder that holds their trees
# and nothing else, so that no other header of the build machine leaks into
# the WebAssembly.
INCLUDE := $(OUT)/include
CXXFLAGS := -std=c++17 -O2 -fwasm-exceptions -Wall -Wextra -Wpedantic -MMD -MP \
            -Imodel -Ianalysis -I$(INCLUDE)
LDFLAGS := -O2 -fwasm-exceptions -s SINGLE_FILE=1 -s MODULARIZE=1 -s EXPORT_NAME=createEngine \
           -s ENVIRONMENT=web -s ALLOW_MEMORY_GROWTH=1 -s TOTAL_STACK=8MB \
           -s EXPORTED_FUNCTIONS=_loopcost_model,_loopcost_program,_loopcost_ask,_malloc,_free \
           -s EXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8

PAGE_SOURCES := $(wildcard web/src/*)
NPM := $(OUT)/npm/node_modules/.package-lock.json

.PHONY: all
all: $(OUT)/index.html

$(INCLUDE)/boost:
	@mkdir -p $(INCLUDE)
	@test -d /usr/include/boost || { echo "web: Boost's headers are missing (Debian package libboost-dev)" >&2; exit 1; }
	ln -sfn /usr/include/boost $@

$(INCLUDE)/nlohmann:
	@mkdir -p $(INCLUDE)
	@test -d /usr/include/nlohmann || { echo "web: the JSON library's headers are missing (Debian package nlohmann-json3-dev)" >&2; exit 1; }
	ln -sfn /usr/include/nlohmann $@

$(OUT)/obj/%.o: %.cpp web/web.mk | $(INCLUDE)/boost $(INCLUDE)/nlohmann
	@mkdir -p $(dir $@)
	$(EMXX) $(CXXFLAGS) -c $< -o $@

$(OUT)/engine.js: $(ENGINE_OBJECTS) web/web.mk
	$(EMXX) $(LDFLAGS) $(ENGINE_OBJECTS) -o $@

$(NPM): web/package.json web/package-lock.json
	@mkdir -p $(OUT)/npm
	cp web/package.json web/package-lock.json $(OUT)/npm/
	cd $(OUT)/npm && npm ci --no-audit --no-fund --loglevel=error

$(OUT)/index.html: $(OUT)/engine.js $(NPM) $(PAGE_SOURCES) web/assemble.mjs
	node web/assemble.mjs $(OUT)

-include $(ENGINE_OBJECTS:.o=.d)
