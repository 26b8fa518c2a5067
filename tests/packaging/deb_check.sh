#!/usr/bin/env bash
# Builds the Debian package with CPack and inspects it: its fields and dependencies, its files,
# lintian, and the programs unpacked into a throwaway root answering --version.
set -uo pipefail
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

for tool in cpack dpkg-deb dpkg-shlibdeps fakeroot; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 0; }
done
cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$work"/out/dialtoll_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no dialtoll_*.deb"; exit 1; }
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = dialtoll ] || bad "Package is '$(field Package)'"
[ "$(field Section)" = net ] || bad "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || bad "no Maintainer"
[ -n "$(field Description)" ] || bad "no Description"
depends=$(field Depends)
echo "Depends: $depends"
# Computed from the binaries: Qt's widgets, D-Bus, multimedia and charts, and SQLCipher.
for library in libc6 libqt6widgets6 libqt6dbus6 libqt6multimedia6 libqt6charts6 libsqlcipher; do
    grep -q "$library" <<<"$depends" || bad "Depends lacks $library"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for file in /usr/bin/Dialtoll /usr/bin/Statdesk /usr/bin/Enroldesk \
    /usr/share/applications/org.dialtoll.Dialtoll.desktop \
    /usr/share/icons/hicolor/scalable/apps/org.dialtoll.Dialtoll.svg \
    /usr/share/icons/hicolor/48x48/apps/org.dialtoll.Dialtoll.png \
    /usr/share/metainfo/org.dialtoll.Dialtoll.metainfo.xml \
    /usr/share/man/man1/Dialtoll.1.gz /usr/lib/systemd/user/dialtoll.service \
    /usr/share/doc/dialtoll/copyright /usr/share/doc/dialtoll/changelog.Debian.gz; do
    grep -qx "$file" "$work/files" || bad "the package lacks $file"
done
# Nothing of the tests or benchmarks, nothing outside /usr.
grep -E '/(fill_sessions|minimal_timer|dialog_find|fake_dialer|tun_link|dialtoll_icon_png)$' \
    "$work/files" && bad "the package carries test programs"
grep -vE '^/$|^/usr(/|$)' "$work/files" && bad "the package has files outside /usr"

# Unpacked into a throwaway root, the programs run.
dpkg-deb -x "$deb" "$work/root"
for program in Dialtoll Statdesk Enroldesk; do
    out=$(QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/$program" --version 2>&1)
    grep -qx "$program [0-9.]*" <<<"$out" || bad "$program --version said '$out'"
    readelf -d "$work/root/usr/bin/$program" | grep -E 'RPATH|RUNPATH' && bad "$program has a run path"
    grep -qa -- "$(cd "$build" && pwd)" "$work/root/usr/bin/$program" && bad "$program names the build folder"
done

if command -v lintian >/dev/null; then
    # Tags of severity error fail; the rest are printed.
    lintian --allow-root --tag-display-limit 0 --display-level '>=warning' "$deb" \
        >"$work/lintian.log" 2>&1
    cat "$work/lintian.log"
    grep -q '^E: ' "$work/lintian.log" && bad "lintian reports errors"
else
    echo "not checked: lintian is not installed"
fi

[ $fail -eq 0 ] && echo "package: ok"
exit $fail
