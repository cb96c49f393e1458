#!/usr/bin/env bash
# Builds the Debian packages into build/packages/ and checks them with lintian, as a distribution would.
# The release build has its own folder (build/package-release/), so the development build keeps its settings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=build/package-release
out_dir=build/packages

# Debian's own compiler and linker flags, with all of its hardening (stack protector, fortified functions,
# read-only relocations, immediate binding). No -Werror: a newer compiler's warning must not stop a package.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# The Python module, where its build has what it needs, is made for Debian's own interpreter.
cmake -S . -B "$build_dir" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr -DPython3_EXECUTABLE=/usr/bin/python3 \
  -DQUORIX_BUILD_TESTS=OFF -DQUORIX_BUILD_BENCHMARKS=OFF -DQUORIX_BUILD_EXAMPLES=OFF \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" \
  "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

rm -rf "$out_dir"
cpack --config "$build_dir/CPackConfig.cmake" -B "$out_dir"
rm -rf "$out_dir/_CPack_Packages"  # CPack's staging trees, not packages

# Errors fail the script; warnings and notes are printed for the record.
lintian --fail-on error --display-info "$out_dir"/*.deb
echo "Packages in $out_dir:"
ls -1 "$out_dir"/*.deb
