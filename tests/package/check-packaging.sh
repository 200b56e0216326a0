#!/usr/bin/env bash
# The packaging files, checked without building the package: the desktop entry, the
# AppStream entry, the icons, the changelog's and the AppStream entry's newest
# versions against the project's, and each manual page against its program's --help.
# Run by ctest with the source folder, the build folder and the project's version.
set -euo pipefail
src=$1
build=$2
version=$3
bin=$build/bin
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

desktop=$src/src/app/desktop/talvimorena.desktop
metainfo=$src/src/app/desktop/org.talvimorena.piano.metainfo.xml

if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
  ok "desktop-file-validate talvimorena.desktop"
else
  fail "desktop-file-validate: $out"
fi
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
  ok "appstreamcli validate --no-net $(basename "$metainfo")"
else
  fail "appstreamcli validate: $out"
fi

# The AppStream entry names the desktop entry and speaks Chinese and English.
grep -q '<launchable type="desktop-id">talvimorena.desktop</launchable>' "$metainfo" ||
  fail "the AppStream entry does not launch talvimorena.desktop"
for element in name summary p; do
  grep -q "<$element>" "$metainfo" || fail "no English <$element> in the AppStream entry"
  grep -q "<$element xml:lang=\"zh_CN\">" "$metainfo" || fail "no Chinese <$element> in the AppStream entry"
done
grep -q '<screenshot type="default">' "$metainfo" || fail "no screenshot in the AppStream entry"
grep -q '<content_rating type="oars-1.1"' "$metainfo" || fail "no content rating in the AppStream entry"

# The newest release and changelog entry are this version.
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the AppStream entry's newest release is '$newest', the project is $version"
top=$(head -1 "$src/packaging/changelog" | sed -n 's/^talvimorena (\([^)]*\)).*/\1/p')
[ "$top" = "$version" ] || fail "packaging/changelog's newest entry is '$top', the project is $version"
[ "$newest" = "$version" ] && [ "$top" = "$version" ] && ok "AppStream release and changelog entry are $version"

# The icon the entry names, at every theme size.
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 64 128 256; do
  png=$build/desktop/icons/${size}x${size}/$icon.png
  got=$(identify -format '%wx%h' "$png" 2>&1) || got="missing"
  [ "$got" = "${size}x${size}" ] || fail "$png is $got"
done
[ -f "$src/src/app/desktop/$icon.svg" ] || fail "no scalable $icon.svg"
ok "icon $icon at 16..256 and scalable"

# Text as a reader sees it: typographic dashes and quotes made plain, spaces collapsed.
# groff's terminal output has no Chinese glyphs (it shows ?), so Chinese text and
# question marks are left out of the comparison.
plain() {
  perl -CSD -0777 -pe 's/[\x{2010}\x{2212}]/-/g; s/[\x{2018}\x{2019}]/\x27/g; s/[\x{201c}\x{201d}]/"/g; s/[^\x00-\x7f]|\?//g; s/\s+/ /g'
}

# Every paragraph of --help is in the manual page (headings aside), the page renders
# without a warning, and the compressed page installed is the same page.
for program in talvimorena talvimorena-tool; do
  page=$build/man/$program.1
  [ -f "$page" ] || {
    fail "no manual page $page"
    continue
  }
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$program.1 renders with warnings: $warnings"
  zcat "$page.gz" | cmp -s - "$page" || fail "$program.1.gz is not $program.1"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=4000 man -E UTF-8 -l "$page" 2>/dev/null | col -b | plain)
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --help)
  missing=0
  # Paragraphs: blank-line separated; a line "Heading:" alone becomes a section
  # heading and "Usage: " the synopsis.
  while IFS= read -r -d $'\x1e' para; do
    para=$(printf '%s\n' "$para" | sed -E '/^[A-Za-z][A-Za-z ]*:$/d; s/^Usage: //' | plain)
    para=${para# }
    para=${para% }
    [ -z "$para" ] && continue
    if [[ "$text" != *"$para"* ]]; then
      fail "$program.1 lacks: $para"
      missing=1
    fi
  done < <(printf '%s\n' "$help" | awk 'BEGIN{RS=""; ORS="\x1e"} {print}')
  [ $missing = 0 ] && ok "$program.1 says all that $program --help says"
done

if [ $failures -gt 0 ]; then
  echo "packaging files: $failures failures"
  exit 1
fi
echo "packaging files: all checks passed"
