# The commands of the README: `make run`, `make test`, `make test-sanitize`, `make install`
# (PREFIX, default /usr/local; DESTDIR honoured) and `make package` (a .deb in the build
# folder).
BUILD ?= build
PREFIX ?= /usr/local
SANITIZE_BUILD ?= build-sanitize
# A second tree for AddressSanitizer and UndefinedBehaviorSanitizer: -O1 keeps it quick,
# any undefined behaviour ends the test that meets it, and no benchmarks are built.
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined \
                 -fno-omit-frame-pointer
CCACHE := $(shell command -v ccache 2>/dev/null)

.PHONY: deps configure build run test test-sanitize install package clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=ON \
	  $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" -DKESTRUNE_WERROR=OFF \
	  -DKESTRUNE_BUILD_BENCH=OFF $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@cmake --build $(SANITIZE_BUILD)
	@cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j2

run: build
	@bash scripts/run $(BUILD)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
