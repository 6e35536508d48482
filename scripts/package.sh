#!/usr/bin/env bash
# Writes a build of the 32-bit program into the winget manifests: its version
# (from its version resource), its file name in the download address and its
# SHA-256.
#   scripts/package.sh [Quillrest.exe [manifest folder]]
# Defaults: build/product/Quillrest.exe (scripts/build.sh makes it) and
# packaging/winget.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-${QR_BUILD_DIR:-$root/build}/product/Quillrest.exe}
manifests=${2:-$root/packaging/winget}
fail() { echo "package.sh: $*" >&2; exit 1; }

[ -f "$exe" ] || fail "no program at $exe (build it with scripts/build.sh)"
i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386' || fail "$exe is not the 32-bit program"
# The file version of VS_FIXEDFILEINFO, which the program itself reports and writes as DisplayVersion.
version=$(/usr/bin/python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
# The fixed part follows the resource's key, "VS_VERSION_INFO" in UTF-16.
key = data.find('VS_VERSION_INFO'.encode('utf-16-le'))
at = data.find(struct.pack('<I', 0xFEEF04BD), key) if key >= 0 else -1
if at < 0:
    sys.exit('no version resource')
ms, ls = struct.unpack_from('<II', data, at + 8)
print(f'{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}')
PY
) || fail "$exe has no version resource"
sha=$(sha256sum "$exe" | cut -d' ' -f1 | tr 'a-f' 'A-F')
name=$(basename "$exe")

for file in "$manifests"/Hollowmere.Quillrest.yaml "$manifests"/Hollowmere.Quillrest.installer.yaml \
            "$manifests"/Hollowmere.Quillrest.locale.en-US.yaml; do
  [ -f "$file" ] || fail "missing manifest $file"
  sed -i -e "s|^PackageVersion: .*|PackageVersion: $version|" \
         -e "s|^\(  DisplayVersion: \).*|\1$version|" \
         -e "s|^\(  InstallerUrl: \).*|\1https://www.hollowmere.example/quillrest/$version/$name|" \
         -e "s|^\(  InstallerSha256: \).*|\1$sha|" "$file"
done
echo "Wrote $name $version (SHA-256 $sha) into $manifests"
