#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop, the
# manual and the shell find there.
#   test_install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The subcommands as the program lists them; the manual and the completion
# must know each one.
mapfile -t commands < <("$prefix/bin/quistelor-cli" --help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ ${#commands[@]} -ge 3 ] || fail "quistelor-cli --help lists ${#commands[@]} commands"
[ -x "$prefix/bin/quistelor" ] || fail "bin/quistelor missing"

desktop=$share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
for line in 'Exec=quistelor %f' "Icon=$id" 'MimeType=inode/directory;' 'Categories=Graphics;Photography;Qt;'; do
  grep -qxF "$line" "$desktop" || fail "desktop entry lacks '$line'"
done
for key in Name GenericName Comment; do
  grep -q "^$key\[fr\]=" "$desktop" || fail "desktop entry lacks $key[fr]"
done

for size in 16 22 24 32 48 64; do
  icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [ "$(identify -format '%wx%h' "$icon" 2>&1)" = "${size}x${size}" ] || fail "icon $icon is not ${size}x${size}"
done

metainfo=$share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate $metainfo"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo does not launch $id.desktop"

for page in quistelor quistelor-cli; do
  man=$share/man/man1/$page.1.gz
  warnings=$(zcat "$man" | groff -man -ww -z -Tutf8 2>&1) || true
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
text=$(zcat "$share/man/man1/quistelor-cli.1.gz" | groff -man -Tascii -P-cbu 2>/dev/null)
for c in "${commands[@]}"; do
  grep -Eq "^ {7}$c( |$)" <<<"$text" || fail "quistelor-cli.1 does not describe '$c'"
done

# Completion, as bash-completion loads it, on lines typed up to the end.
photos=$prefix/photos
mkdir -p "$photos/sub folder"
touch "$photos/a.JPG" "$photos/b.jpg" "$photos/notes.txt"
completion=$share/bash-completion/completions/quistelor-cli
# shellcheck disable=SC2016
complete_line='
  source /usr/share/bash-completion/bash_completion && source "$1" || exit 1
  COMP_LINE=$2 COMP_POINT=${#2}
  read -ra COMP_WORDS <<<"$2"
  [[ $2 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _quistelor_cli
  printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "'
check_completion() {
  local got
  got=$(cd "$photos" && bash -c "$complete_line" - "$completion" "$1" 2>&1)
  [ "$got" = "$2" ] || fail "completing '$1' gave '$got', not '$2'"
}
check_completion "quistelor-cli " "$(printf '%s\n' "${commands[@]}" --help --version | sort | paste -sd ' ')"
check_completion "quistelor-cli rename --" "--companions --help --no-exif"
check_completion "quistelor-cli preview P " "sub folder"
check_completion "quistelor-cli rename --no-exif P . " "a.JPG b.jpg"
check_completion "quistelor-cli exif " "a.JPG b.jpg sub folder"

[ "$failures" -eq 0 ] || exit 1
echo "installed tree checked in $prefix"
