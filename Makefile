# Thin wrapper over CMake for the two everyday jobs:
#   make run   installs what is missing, builds and reads the bundled samples
#   make test  installs what is missing, builds with ASan+UBSan and runs the suite
#              (with the consumer test: a program built against the installed package)
#   make gui   installs what is missing, builds and starts the desktop tool
#              (ARGS="--area-ocr samples/note_usd_05.tif" passes its arguments)
#   make package  builds the Debian packages verevizu and libverevizu-dev in build-package
#   make architecture  redraws doc/architecture.svg, the libraries and who links whom
BUILD      ?= build
TEST_BUILD ?= build-test
JOBS       ?= $(shell nproc)
# libexpat1-dev: libwmf's pkg-config module links -lexpat, which libwmf-dev does not bring.
PACKAGES   := g++ cmake make pkg-config libgtest-dev libbenchmark-dev zlib1g-dev libtiff-dev libjpeg-dev \
              libcli11-dev nlohmann-json3-dev libwmf-dev libexpat1-dev fonts-urw-base35 \
              qt6-base-dev fonts-dejavu-core libsqlite3-dev libpq-dev libssl-dev

.PHONY: deps build run gui test package bench fuzz architecture format clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  echo "installing:$$missing"; \
	  $$sudo apt-get update -qq && $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/cli/verevizu serial samples

gui: build
	./$(BUILD)/app/verevizu-gui $(ARGS)

# postgresql: the throw-away server the tests start for the record store (initdb, pg_ctl).
test: PACKAGES += postgresql
test: deps
	cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVEREVIZU_SANITIZE=ON -DVEREVIZU_BUILD_TESTS=ON -DVEREVIZU_BUILD_GUI=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)

# Installed under /usr, so that the libraries go to the multiarch folder, and
# built with Debian's hardening flags (without debug information: the static
# libraries ship as they are built).
package: PACKAGES += dpkg-dev file
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package: export DEB_CXXFLAGS_MAINT_STRIP = -g
package: deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVEREVIZU_BUILD_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build build-package -j $(JOBS)
	cd build-package && cpack

# The barcode peers and timing tools of bench/barcode_corpus.sh.
bench: PACKAGES += zbar-tools zxing-cpp-tools hyperfine jq
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVEREVIZU_BUILD_TESTS=OFF -DVEREVIZU_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)

# The fuzz targets need clang and its libFuzzer runtime.
fuzz: PACKAGES += clang libclang-rt-14-dev
fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEREVIZU_BUILD_TESTS=OFF -DVEREVIZU_BUILD_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)

# The picture of the README's architecture section, from CMake's own view of
# the targets (doc/CMakeGraphVizOptions.cmake says what it leaves out); the
# legend is dropped, the README explains the shapes.
architecture: PACKAGES += graphviz
architecture: deps
	rm -rf build-graph && mkdir -p build-graph
	cp doc/CMakeGraphVizOptions.cmake build-graph/
	cmake -S . -B build-graph -DVEREVIZU_BUILD_TESTS=OFF -DVEREVIZU_BUILD_GUI=ON \
	  --graphviz=build-graph/targets.dot >/dev/null
	sed '/subgraph clusterLegend/,/^}/d' build-graph/targets.dot > doc/architecture.dot
	dot -Tsvg doc/architecture.dot -o doc/architecture.svg

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(TEST_BUILD) build-package build-bench build-fuzz build-graph
