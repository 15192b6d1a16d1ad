# The two commands of the README: `make run` and `make test`.
BUILD ?= build

.PHONY: deps configure build run test clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=ON >/dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2

run: build
	@bash scripts/run $(BUILD)

clean:
	rm -rf $(BUILD)
