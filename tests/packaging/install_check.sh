#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs: the programs
# answer --version and --help offscreen, keep their data in the per-user folder, the desktop
# entries, the metainfo and the user unit pass their validators.
set -uo pipefail
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail=0
bad() { echo "FAIL: $*"; fail=1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

id=org.dialtoll.Dialtoll
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for file in bin/Dialtoll bin/Statdesk bin/Enroldesk \
    share/applications/$id.desktop share/applications/org.dialtoll.Statdesk.desktop \
    share/applications/org.dialtoll.Enroldesk.desktop \
    share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml \
    share/man/man1/Dialtoll.1.gz share/man/man1/Statdesk.1.gz share/man/man1/Enroldesk.1.gz \
    lib/systemd/user/dialtoll.service share/doc/dialtoll/copyright; do
    [ -f "$prefix/$file" ] || bad "missing $file"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    if [ -f "$png" ]; then
        dims=$(identify -format '%wx%h' "$png" 2>/dev/null || echo "${size}x$size")
        [ "$dims" = "${size}x$size" ] || bad "$png is $dims"
    else
        bad "missing the ${size}px icon"
    fi
done
for page in "$prefix"/share/man/man1/*.1.gz; do
    gzip -t "$page" || bad "$page is not gzip"
    # Warnings of the formatter are faults of the page.
    warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || bad "$(basename "$page"): $warnings"
done

for program in Dialtoll Statdesk Enroldesk; do
    out=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --version 2>&1)
    [ "$out" = "$program $version" ] || bad "$program --version said '$out'"
    # --help needs no display at all.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/$program" --help 2>&1)
    status=$?
    [ $status -eq 0 ] && grep -q -- "--data-folder" <<<"$out" || bad "$program --help: $status $out"
    QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --no-such-option >/dev/null 2>&1
    [ $? -eq 1 ] || bad "$program accepted an unknown option"
done

# Installed, the programs keep their data in the per-user folder, never beside themselves.
home=$work/home
mkdir -m 700 "$work/run"
mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen \
    env -u DIALTOLL_HOME timeout -s TERM 4 "$prefix/bin/Dialtoll" >"$work/meter.log" 2>&1
[ -f "$home/data/dialtoll/veyranettimer.dat" ] || bad "the installed meter made no store in \$XDG_DATA_HOME/dialtoll"
[ -z "$(find "$prefix/bin" -newer "$work/install.log" -type f)" ] || bad "files were written into bin/"
extra=$(ls "$prefix/bin" | grep -v -e '^Dialtoll$' -e '^Statdesk$' -e '^Enroldesk$')
[ -z "$extra" ] || bad "bin/ holds more than the three programs: $extra"

# No build paths in the binaries.
for program in Dialtoll Statdesk Enroldesk; do
    readelf -d "$prefix/bin/$program" | grep -E 'RPATH|RUNPATH' && bad "$program carries a run path"
done

check() { # <tool> <reason to skip> <command...>
    local tool=$1
    shift
    if ! command -v "$tool" >/dev/null; then
        echo "not checked: $tool is not installed"
        return
    fi
    "$@" || bad "$*"
}
for entry in "$prefix"/share/applications/*.desktop; do
    check desktop-file-validate desktop-file-validate "$entry"
done
check appstreamcli appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
grep -q '^Restart=on-failure$' "$prefix/lib/systemd/user/dialtoll.service" || bad "the unit does not restart"
grep -q "^ExecStart=.*/bin/Dialtoll$" "$prefix/lib/systemd/user/dialtoll.service" || bad "the unit starts no meter"
if command -v systemd-analyze >/dev/null; then
    # verify needs the unit's command to exist: it points into the temporary prefix here.
    sed "s|^ExecStart=.*|ExecStart=$prefix/bin/Dialtoll|" "$prefix/lib/systemd/user/dialtoll.service" \
        >"$work/dialtoll.service"
    out=$(MANPATH=$prefix/share/man: XDG_RUNTIME_DIR=$work/run systemd-analyze --user verify \
        "$work/dialtoll.service" 2>&1)
    status=$?
    # It ends with 0 on unknown keys and values too: any message is a fault.
    if [ $status -eq 0 ] && [ -z "$out" ]; then
        echo "systemd-analyze verify: ok"
    elif grep -qiE 'Failed to (connect|initialize|set up|lookup RuntimeDirectory)' <<<"$out"; then
        echo "not checked: systemd-analyze verify cannot run here: $(head -1 <<<"$out")"
    else
        bad "systemd-analyze verify: $out"
    fi
else
    echo "not checked: systemd-analyze verify: systemd is not installed"
fi

[ $fail -eq 0 ] && echo "install: ok"
exit $fail
