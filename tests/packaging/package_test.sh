#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch root and checks what a
# user gets: the files, the dependencies, the menu entries, the sample bases, and that both
# programs start.
#   package_test.sh BUILD_DIR QBTOOL README SAMPLE_PASSWORD
set -uo pipefail

build_dir=$1 qbtool=$2 readme=$3 password=$4
skip=77

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate timeout file; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit $skip; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# cpack stages and writes into the scratch folder, so the build tree stays untouched. It runs
# as from a shell with no locale set (a fresh machine, a container): the package must build
# there too, Cyrillic picture names and all.
if ! LC_ALL=C cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack did not build the package"
    exit 1
fi
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one .deb, got: ${debs[*]}"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n \
               fonts-liberation2 fonts-dejavu-core libqrencode4 libsqlcipher0 libzip4 libhunspell-1.7-0 libc6 libstdc++6; do
    tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$package" ||
        fail "Depends lacks $package"
done
# The dictionaries are data, which dpkg-shlibdeps cannot see.
recommends=$(dpkg-deb -f "$deb" Recommends)
for package in hunspell-ru hunspell-en-us; do
    tr ',' '\n' <<<"$recommends" | sed 's/^ *//; s/ .*//' | grep -qxF "$package" ||
        fail "Recommends lacks $package"
done
[ "$(dpkg-deb -f "$deb" Package)" = tambris ] || fail "package name is not tambris"
[ "$(dpkg-deb -f "$deb" Section)" = education ] || fail "section is not education"

root=$scratch/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }

# Exactly these files and nothing else: no developer tools, headers or static libraries.
expected=(
    usr/bin/tambris
    usr/bin/vorta-v-leina
    usr/share/applications/tambris.desktop
    usr/share/applications/vorta-v-leina.desktop
    usr/share/icons/hicolor/scalable/apps/tambris.svg
    usr/share/icons/hicolor/scalable/apps/vorta-v-leina.svg
    usr/share/tambris/sample/sample.mdb
    usr/share/tambris/sample/sample-password.mdb
)
for size in 16 24 32 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${size}x${size}/apps/tambris.png
               usr/share/icons/hicolor/${size}x${size}/apps/vorta-v-leina.png)
done
actual=$(cd "$root" && find . -type f ! -path './usr/share/tambris/sample/img/*' | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
    fail "installed files differ from the expected list"
    diff <(echo "$wanted") <(echo "$actual")
fi

for size in 16 24 32 48 64 128 256; do
    for app in tambris vorta-v-leina; do
        png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png
        [ -f "$png" ] || continue
        file -b "$png" | grep -q "PNG image data, $size x $size" ||
            fail "$app.png at ${size}x${size} is $(file -b "$png")"
    done
done

for entry in "$root"/usr/share/applications/*.desktop; do
    name=$(basename "$entry")
    desktop-file-validate "$entry" || fail "$name does not pass desktop-file-validate"
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    [ -x "$root/usr/bin/${exec_line%% *}" ] || fail "$name runs '$exec_line', which is not installed"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$name names a missing icon $icon"
    grep -q '^Categories=Education;$' "$entry" || fail "$name is not in Education"
    # A base double-clicked in the file manager reaches the program as its argument.
    [ "${exec_line#* }" = "%f" ] || fail "$name does not pass the file it is given: '$exec_line'"
    grep -q '^MimeType=application/vnd.ms-access;$' "$entry" || fail "$name does not open .mdb files"
done
grep -q '^Name=Tambris$' "$root/usr/share/applications/tambris.desktop" || fail "tambris.desktop has another Name"
grep -q '^Name=Vorta в Leina$' "$root/usr/share/applications/vorta-v-leina.desktop" ||
    fail "vorta-v-leina.desktop has another Name"

# Started offscreen and still running after two seconds: `timeout` ends them with 124.
home=$scratch/home
mkdir -p "$home"
for program in tambris vorta-v-leina; do
    HOME=$home QT_QPA_PLATFORM=offscreen timeout 2 "$root/usr/bin/$program" >"$scratch/$program.log" 2>&1
    rc=$?
    if [ $rc -ne 124 ]; then
        fail "$program ended with $rc instead of running"
        cat "$scratch/$program.log"
    fi
done

# The sample as installed: the plain copy opens without a password, the other only with the
# password the README gives, and every picture a question names lies beside the bases.
sample=$root/usr/share/tambris/sample
grep -q -- "$password" "$readme" || fail "the README does not give the sample's password"
if plain=$("$qbtool" dump "$sample/sample.mdb" 2>&1); then
    questions=$(grep -c '"вопрос"' <<<"$plain")
    [ "$questions" -ge 8 ] || fail "sample.mdb holds $questions questions"
    pictures=$(grep -o '"фото":"[^"]*"' <<<"$plain" | sed 's/^"фото":"//; s/"$//; s/\\\\/\//g')
    [ "$(grep -c . <<<"$pictures")" -ge 2 ] || fail "sample.mdb has fewer than two pictures"
    while read -r picture; do
        [ -f "$sample/$picture" ] || fail "picture $picture is not installed"
    done <<<"$pictures"
else
    fail "sample.mdb does not open without a password: $plain"
fi
"$qbtool" dump "$sample/sample-password.mdb" >/dev/null 2>&1 &&
    fail "sample-password.mdb opens without a password"
if locked=$("$qbtool" dump --password "$password" "$sample/sample-password.mdb" 2>&1); then
    [ "$locked" = "$plain" ] || fail "the two sample bases hold different rows"
else
    fail "sample-password.mdb does not open with its password: $locked"
fi

# A base given as the argument, as a double-click gives it: the plain sample opens, the
# protected one waits at its password prompt, a missing file is passed over. Each program is
# still running after two seconds.
for program in tambris vorta-v-leina; do
    for base in "$sample/sample.mdb" "$sample/sample-password.mdb" "$scratch/нет.mdb"; do
        HOME=$home QT_QPA_PLATFORM=offscreen timeout 2 "$root/usr/bin/$program" "$base" \
            >"$scratch/$program.log" 2>&1
        rc=$?
        if [ $rc -ne 124 ]; then
            fail "$program $(basename "$base") ended with $rc instead of running"
            cat "$scratch/$program.log"
        fi
    done
done
[ -e "$scratch/нет.mdb" ] && fail "a missing base given as the argument was created"

[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all package checks passed"
