# The two set-up commands of the README. Both install what is missing first.
JOBS ?= 2
TEST_DIR := build/test
RUN_DIR := build/release

.PHONY: deps test run build package clean fuzz fuzz-run windows windows-test

deps:
	@scripts/install-deps.sh

# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test; then
# cross-builds for Windows and runs those tests under Wine (windows-test).
test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DTAMBRIX_SANITIZE=ON -DTAMBRIX_BUILD_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) windows-test

build: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=Release -DTAMBRIX_BUILD_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

# Builds everything and runs the main job.
run: build
	scripts/run.sh $(RUN_DIR)

# The Debian package of the release build, $(RUN_DIR)/tambrix_VERSION_ARCH.deb, checked
# as installed: scripts/check-package.sh unpacks it into a scratch root, runs what it
# installed, validates its desktop files and runs lintian on it.
package: build
	@scripts/install-deps.sh --package
	cd $(RUN_DIR) && cpack -G DEB
	scripts/check-package.sh $(RUN_DIR)

# Fuzzing (outside test and run): builds every libFuzzer target with clang and writes
# the seeds; fuzz-run then runs one target (TARGET=name) or all, SECONDS each.
FUZZ_DIR := build/fuzz
TARGET ?= all
SECONDS ?= 120

fuzz:
	@scripts/install-deps.sh --fuzz
	cmake -S fuzz -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) --target fuzz_all -j $(JOBS)
	rm -rf $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/tambrix-fuzz-seeds $(FUZZ_DIR)/seeds

fuzz-run: fuzz
	fuzz/run.sh $(FUZZ_DIR) $(TARGET) $(SECONDS)

clean:
	rm -rf build

# Windows (outside run): the library floors, tambrix-cli.exe and the test programs,
# cross-built with MinGW-w64 into build/windows; make test runs them under Wine.
WINDOWS_DIR := build/windows

windows:
	@scripts/install-deps.sh --windows
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

# The Windows test programs and tambrix-cli.exe under Wine, in a fresh prefix inside
# build/windows; the tool's pictures are compared with those of build/test's tambrix-cli.
windows-test: windows
	cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS)
