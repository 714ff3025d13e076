#!/usr/bin/env bash
# XFCE's thumbnail service as Thunar uses it: tumblerd on a D-Bus session of its own, with a
# private home, finds the thumbnailer entry under XDG_DATA_DIRS, runs tessaron-render on two
# models and stores their large thumbnails in the private ~/.cache/thumbnails/large. Tumbler
# makes the output file itself and reads the picture back through the descriptor it keeps,
# so a renderer that renames a new file over it leaves tumbler an empty file.
#
#   TumblerThumbnails.sh RENDER_DIR ENTRY MODEL MODEL
#
# RENDER_DIR holds the tessaron-render to run (first on PATH, as the entry names it by name),
# ENTRY is the thumbnailer entry as installed. Exits 77 (skipped) with one line where tumbler,
# D-Bus or gdbus is missing, but never in CI (CI set), where that fails.
set -euo pipefail

if [ "${1:-}" != --in-session ]; then
  [ $# -eq 4 ] || { echo "usage: $0 RENDER_DIR ENTRY MODEL MODEL" >&2; exit 2; }
  tumblerd=$(ls /usr/lib/*/tumbler-1/tumblerd 2>/dev/null | head -n 1 || true)
  missing=
  [ -x "$tumblerd" ] || missing="tumblerd (Debian package tumbler)"
  command -v dbus-run-session >/dev/null || missing="dbus-run-session (Debian package dbus-daemon)"
  command -v gdbus >/dev/null || missing="gdbus (Debian package libglib2.0-bin)"
  if [ -n "$missing" ]; then
    if [ -n "${CI:-}" ]; then
      echo "FAILED: no $missing, which scripts/bootstrap --test installs" >&2
      exit 1
    fi
    echo "SKIPPED: tumbler thumbnails need $missing (scripts/bootstrap --test)"
    exit 77
  fi

  home=$(mktemp -d "${TMPDIR:-/tmp}/tessaron-tumbler.XXXXXX")
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$home/share/thumbnailers" "$home/models" "$home/tmp" "$home/.config" "$home/.local/share"
  cp "$2" "$home/share/thumbnailers/"
  cp "$3" "$4" "$home/models/"
  # Only the entry's folder, so a tessaron installed on this machine cannot answer instead,
  # and the MIME database, without which gdk-pixbuf recognises no picture at all. The
  # system's folders stay in XDG_CONFIG_DIRS for tumbler's own settings.
  ln -s /usr/share/mime "$home/share/mime"
  env HOME="$home" TMPDIR="$home/tmp" PATH="$(cd "$1" && pwd):$PATH" \
    XDG_DATA_DIRS="$home/share" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_CONFIG_HOME="$home/.config" XDG_CONFIG_DIRS=/etc/xdg \
    TUMBLERD="$tumblerd" \
    dbus-run-session -- "$0" --in-session "$home/models/$(basename "$3")" "$home/models/$(basename "$4")"
  exit
fi

shift
name=org.freedesktop.thumbnails.Thumbnailer1
# Started here rather than by the bus, so its output can be shown; a second one started by
# the bus on the first call would take the names from it. Its debug lines name each job's
# error: tumbler sends its signals to the caller alone.
G_MESSAGES_DEBUG=all "$TUMBLERD" >"$HOME/tumblerd.log" 2>&1 &
tumbler=$!
trap 'kill "$tumbler" 2>/dev/null || true; wait 2>/dev/null || true' EXIT

fail() {
  echo "FAILED: $1" >&2
  echo "--- tumblerd's output:" >&2
  cat "$HOME/tumblerd.log" >&2
  exit 1
}

# Bounded waits: 30 s for the service, 90 s for the pictures (a sanitizer build under load).
for ((i = 0; ; ++i)); do
  owned=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$name" 2>/dev/null || true)
  [ "$owned" = "(true,)" ] && break
  kill -0 "$tumbler" 2>/dev/null || fail "tumblerd exited before it took its name"
  [ "$i" -lt 300 ] || fail "tumblerd did not take $name within 30 s"
  sleep 0.1
done

uris=() thumbs=()
for model in "$@"; do
  uri="file://$model"
  uris+=("$uri")
  thumbs+=("$HOME/.cache/thumbnails/large/$(printf %s "$uri" | md5sum | cut -d' ' -f1).png")
done
gdbus call --session --dest "$name" --object-path /org/freedesktop/thumbnails/Thumbnailer1 \
  --method "$name.Queue" "['${uris[0]}', '${uris[1]}']" "['image/x-3ds', 'image/x-3ds']" large default 0 >/dev/null

for ((i = 0; ; ++i)); do
  [ -s "${thumbs[0]}" ] && [ -s "${thumbs[1]}" ] && break
  ! grep -q "Error signal" "$HOME/tumblerd.log" || fail "tumbler reported an error"
  [ "$i" -lt 900 ] || fail "no large thumbnail of both models within 90 s"
  sleep 0.1
done
# Tumbler writes a thumbnail under a name of its own and renames it into place, so a file
# present is whole. The picture keeps its 4:3 inside the 256 x 256 box of a large thumbnail.
for k in 0 1; do
  read -r -a ihdr < <(od -An -tu1 -j12 -N12 "${thumbs[$k]}")
  [ "${ihdr[*]:0:4}" = "73 72 68 82" ] || fail "${thumbs[$k]} is not a PNG"
  width=$(((ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7]))
  height=$(((ihdr[8] << 24) | (ihdr[9] << 16) | (ihdr[10] << 8) | ihdr[11]))
  [ "$width x $height" = "256 x 192" ] || fail "${thumbs[$k]} is $width x $height, not 256 x 192"
  grep -qaF "${uris[$k]}" "${thumbs[$k]}" || fail "${thumbs[$k]} names another file"
done
echo "tumbler made large thumbnails of $# models"
