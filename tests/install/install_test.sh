#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks that every file lands in its standard place
# and that nothing else is installed, then compiles an example with the installed vnstudio-cli.
# Arguments: the build directory and the source directory.
set -euo pipefail
build=$1 src=$2 prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="bin/vnstudio
bin/vnstudio-cli
lib/modules-load.d/vnstudio.conf
lib/udev/rules.d/70-vnstudio.rules
share/applications/vnstudio.desktop
share/icons/hicolor/scalable/apps/vnstudio.svg
share/man/man1/vnstudio-cli.1.gz
share/man/man1/vnstudio.1.gz
share/vnstudio/art/about-banner.png
share/vnstudio/art/about-module.png
share/vnstudio/help/functions.htm
share/vnstudio/help/help.css
share/vnstudio/help/ko/functions.htm
share/vnstudio/help/ko/language.htm
share/vnstudio/help/ko/statements.htm
share/vnstudio/help/ko/vnhelpv1.htm
share/vnstudio/help/language.htm
share/vnstudio/help/statements.htm
share/vnstudio/help/vnhelpv1.htm
share/vnstudio/tip.txt"
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || { echo "installed files differ from the expected list:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2; exit 1; }

# The installed files are the project's own, unchanged.
cmp "$src/data/tip.txt" "$prefix/share/vnstudio/tip.txt"
cmp "$src/data/70-vnstudio.rules" "$prefix/lib/udev/rules.d/70-vnstudio.rules"
gzip -dc "$prefix/share/man/man1/vnstudio-cli.1.gz" | cmp - "$src/data/vnstudio-cli.1"
[ -x "$prefix/bin/vnstudio" ] && [ -x "$prefix/bin/vnstudio-cli" ]

# The installed command line compiles from anywhere.
cp "$src/examples/display_counter.bas" "$prefix/counter.bas"
(cd / && "$prefix/bin/vnstudio-cli" compile -o "$prefix/counter.obj" "$prefix/counter.bas")
[ -s "$prefix/counter.obj" ] || { echo "no object file written" >&2; exit 1; }
"$prefix/bin/vnstudio-cli" --help | grep -q "Exit status" || { echo "--help omits the exit statuses" >&2; exit 1; }
echo "install test: $(echo "$expected" | wc -l) files in place, the installed vnstudio-cli compiles"
