# The two everyday commands:
#   make demo   build Zemaguard and run it under Wine on a demo installation
#   make test   build everything and run every test under Wine
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
CTEST_ARGS ?=
JOBS ?= 2

.PHONY: all bootstrap configure build test demo clean

all: build

bootstrap:
	tools/bootstrap

configure: bootstrap
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

test: build
	tools/test-env $(BUILD) ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) $(CTEST_ARGS)

demo: build
	tools/demo $(BUILD)

clean:
	rm -rf $(BUILD)
