#!/usr/bin/env bash
# An installed piano (cmake --install into a temporary prefix, its program folder
# read-only) writes the files it makes by itself to the user's configuration folder
# and leaves the program folder alone. Run by ctest with the build folder.
set -euo pipefail
build=$1
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
folder=$work/prefix/lib/talvimorena
[ -x "$folder/talvimorena" ] || folder=$(dirname "$(readlink -f "$work/prefix/bin/talvimorena")")
[ -f "$folder/msf4.s" ] || fail "no program folder under the prefix"
chmod 755 "$work"
chmod -R a-w "$work/prefix"
config=$work/config
mkdir -m 777 "$config"

# The unprivileged run reads nothing of the checkout, which may sit in a folder only
# its owner can enter: each sanitizer suppressions file it is given is copied into the
# work folder and the options point at the copy.
for var in TSAN_OPTIONS LSAN_OPTIONS ASAN_OPTIONS UBSAN_OPTIONS; do
  value=${!var:-}
  [[ "$value" =~ (^|[[:space:]:])suppressions=([^[:space:]:]+) ]] || continue
  file=${BASH_REMATCH[2]}
  copy=$work/${var%%_*}.supp
  cp "$file" "$copy"
  chmod 644 "$copy"
  export "$var=${value/suppressions=$file/suppressions=$copy}"
done

# Nor does it start in the build folder.
cd "$work"

# root writes anywhere: the program then runs as nobody, as an ordinary user would.
run=()
if [ "$(id -u)" = 0 ]; then run=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
# A port number asks for the port list; no display is needed for it.
env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" HOME="$config" \
  "${run[@]}" "$work/prefix/bin/talvimorena" 0 >"$work/out.txt" 2>&1 &
pid=$!
list=$config/talvimorena/OutDevList.txt
for _ in $(seq 1 600); do
  [ -s "$list" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$work/out.txt" >&2; fail "the program ended early"; }
  sleep 0.1
done
[ -s "$list" ] || { cat "$work/out.txt" >&2; fail "no port list in the user's folder"; }
head -c 4 "$list" | grep -q '^0:  ' || fail "the port list starts $(head -c 20 "$list")"
[ ! -e "$folder/OutDevList.txt" ] || fail "the program folder was written"
echo "port list written to the user's configuration folder"
