#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs the installed
# programs there with a bare environment: nothing may refer back to the build tree.
# Arguments: the build folder, the version.
set -euo pipefail
build="$(cd "$1" && pwd)"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/quellar_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no $(basename "$deb")"; }

# Dependencies: the linked libraries (computed) and what is loaded at run time.
depends="$(dpkg-deb -f "$deb" Depends)"
for package in libc6 libqt6core6 libqt6widgets6 libqt6sql6 libqt6printsupport6 libsqlite3-0 libodbc2 \
               libqt6sql6-sqlite libqt6sql6-odbc unixodbc tdsodbc fonts-dejavu-core; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/quellar usr/bin/quellar-admin usr/lib/quellar/libquellarsqlite.so \
            usr/share/quellar/DepartmentRequest.rpt \
            usr/share/quellar/sql/README.md usr/share/quellar/sql/demo.sql \
            usr/share/quellar/sql/sqlserver/password.sql usr/share/quellar/sql/sqlserver/schema.sql \
            usr/share/quellar/sql/sqlserver/procedures.sql usr/share/quellar/sql/sqlite/schema.sql \
            usr/share/applications/org.quellar.Quellar.desktop \
            usr/share/metainfo/org.quellar.Quellar.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/org.quellar.Quellar.svg \
            usr/share/man/man1/quellar.1.gz usr/share/man/man1/quellar-admin.1.gz; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
zcat "$root/usr/share/man/man1/quellar-admin.1.gz" | head -1 | grep -q '^\.TH QUELLAR-ADMIN 1' \
    || fail "quellar-admin.1.gz is no manual page"
desktop="$root/usr/share/applications/org.quellar.Quellar.desktop"
desktop-file-validate "$desktop" >/dev/null
# The menu entry starts an installed program and shows the installed icon.
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")" ] || fail "the menu entry starts no installed program"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$desktop").svg" ] \
    || fail "the menu entry names an icon the package lacks"
grep -q '<launchable type="desktop-id">org.quellar.Quellar.desktop</launchable>' \
    "$root/usr/share/metainfo/org.quellar.Quellar.metainfo.xml" || fail "the metainfo launches another desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quellar.Quellar.metainfo.xml" >/dev/null

# The programs find their library relative to themselves, and no file names the build tree.
for program in quellar quellar-admin; do
    runpath="$(readelf -d "$root/usr/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')"
    [ "$runpath" = '$ORIGIN/../lib/quellar' ] || fail "$program has the run path '$runpath'"
done
if grep -rlF "$build" "$root"; then fail "these files name the build tree $build"; fi

bare=(env -i "PATH=/usr/bin:/bin" "HOME=$work/home" "LANG=C.UTF-8")
admin="$root/usr/bin/quellar-admin"
library="$("${bare[@]}" ldd "$admin" | sed -n 's/.*libquellarsqlite\.so => \(.*\) (0x.*/\1/p')"
[ -n "$library" ] && [ "$(realpath "$library")" = "$(realpath "$root/usr/lib/quellar/libquellarsqlite.so")" ] \
    || fail "quellar-admin loads the function library from '$library'"
[ "$("${bare[@]}" "$root/usr/bin/quellar" --version)" = "quellar $version" ] || fail "quellar --version"

"${bare[@]}" "$admin" demo "$work/demo.db" >/dev/null
# The function library and its collation at work: a case-blind, blank-blind comparison.
rows="$("${bare[@]}" "$admin" sql "$work/demo.db" "Select Count(*) As N From tbInvLocation Where LocationID = '20  '")"
[ "$rows" = $'N\n1' ] || fail "the demo database answers: $rows"

if "${bare[@]}" "$admin" --help | grep -q '^  report '; then
    "${bare[@]}" QT_QPA_PLATFORM=offscreen "$admin" report "$work/demo.db" 1 "$work/request.pdf" >/dev/null
    [ "$(head -c 5 "$work/request.pdf")" = "%PDF-" ] || fail "report wrote no PDF"
    echo "report: $(stat -c %s "$work/request.pdf") bytes"
else
    echo "this quellar-admin has no report command; the report was not tried"
fi
echo "installed and ran from $(basename "$deb")"
