#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root and starts it there, headless. Run as root
# (debootstrap, chroot, mounts), after scripts/package.sh:
#   sudo bash scripts/check-package.sh [DEB] [ROOT]
# DEB defaults to the newest build-deb/sarvel_*.deb; ROOT (default /var/tmp/sarvel-debroot) is made
# once with `debootstrap --variant=minbase bookworm` from this machine's Debian mirror (MIRROR
# overrides) and kept pristine as ROOT.tar; each run starts again from that tarball, so a run
# always installs into a clean root. Needs debootstrap and network access to the mirror.
# It prints the download size and the packages `apt-get install ./sarvel_*.deb` brings in, fails if
# a build dependency (compiler, cmake, -dev package) is among them, then in the root: checks
# `sarvel --version`, starts the program on a fresh home (offscreen) and checks it lays out ~/SARVEL
# with the demo kit and the settings file, starts it again by its desktop entry's command on the demo
# kit and checks its first song is heard at a PulseAudio null sink, decodes every demo song with the installed GStreamer
# plug-ins into a PulseAudio null sink, and validates the desktop entry, icons and kit file type.
# The tools for the checks (gstreamer1.0-tools, pulseaudio, desktop-file-utils) are installed only
# after the package's own closure is recorded. Mounts are undone on any exit.
set -euo pipefail
cd "$(dirname "$0")/.."

[ "$(id -u)" = 0 ] || { echo "run as root (debootstrap, chroot, mounts)" >&2; exit 1; }
DEB=${1:-$(ls -t build-deb/sarvel_*.deb 2>/dev/null | head -1)}
[ -f "$DEB" ] || { echo "no package: run scripts/package.sh first" >&2; exit 1; }
ROOT=${2:-/var/tmp/sarvel-debroot}
ROOT=$(realpath -m "$ROOT")
if [ -z "${MIRROR:-}" ]; then
    MIRROR=$(grep -rhoE 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
        head -1 | tr -d ' ' || true)
    MIRROR=${MIRROR:-http://deb.debian.org/debian}
fi
command -v debootstrap >/dev/null || { echo "debootstrap is missing: apt-get install debootstrap" >&2; exit 1; }
START=$(date +%s)

MOUNTS=()
cleanup() {
    local i
    for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
        umount -l "${MOUNTS[$i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
mount_in() { # mount_in TARGET mount-args...
    local target=$ROOT/$1
    shift
    mkdir -p "$target"
    mount "$@" "$target"
    MOUNTS+=("$target")
}

# A clean root: made once, then restored from its tarball (never from a previous run's state).
if [ ! -f "$ROOT.tar" ]; then
    rm -rf "$ROOT"
    echo "== debootstrap bookworm from $MIRROR into $ROOT"
    debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR" >"$ROOT.debootstrap.log" 2>&1 ||
        { tail -20 "$ROOT.debootstrap.log"; exit 1; }
    echo "deb $MIRROR bookworm main" >"$ROOT/etc/apt/sources.list"
    tar -C "$ROOT" -cf "$ROOT.tar" .
else
    echo "== restoring the clean root from $ROOT.tar"
    rm -rf "$ROOT"
    mkdir -p "$ROOT"
    tar -C "$ROOT" -xf "$ROOT.tar"
fi
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
mount_in proc -t proc proc
mount_in dev --bind /dev
mount_in dev/pts --bind /dev/pts
mount_in sys -t sysfs sysfs
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

cp "$DEB" "$ROOT/tmp/"
PKG=/tmp/$(basename "$DEB")
in_root apt-get update -qq
in_root dpkg-query -W -f '${Package}\n' | sort >"$ROOT/tmp/before.txt"

echo "== apt-get install -y $PKG"
in_root apt-get install -y "$PKG" >"$ROOT/tmp/install.log" 2>&1 || { tail -30 "$ROOT/tmp/install.log"; exit 1; }
grep -E '^(Need to get|After this operation)|newly installed' "$ROOT/tmp/install.log"
in_root dpkg-query -W -f '${Package}\n' | sort >"$ROOT/tmp/after.txt"
comm -13 "$ROOT/tmp/before.txt" "$ROOT/tmp/after.txt" >"$ROOT/tmp/new.txt"
echo "new packages: $(wc -l <"$ROOT/tmp/new.txt") (list in $ROOT/tmp/new.txt)"
BUILD_DEPS=$(grep -E '^(g\+\+|gcc|cpp|clang|cmake|ninja-build|make|pkg-config|pkgconf)(-[0-9.]+)?$|-dev$' \
    "$ROOT/tmp/new.txt" || true)
if [ -n "$BUILD_DEPS" ]; then
    echo "FAIL: build dependencies came in:" $BUILD_DEPS
    exit 1
fi
echo "no build dependency came in"

echo "== tools for the checks"
in_root apt-get install -y --no-install-recommends gstreamer1.0-tools pulseaudio pulseaudio-utils \
    desktop-file-utils >"$ROOT/tmp/tools.log" 2>&1 || { tail -30 "$ROOT/tmp/tools.log"; exit 1; }

cat >"$ROOT/tmp/run-checks.sh" <<'EOF'
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }
echo "== sarvel --version: $(sarvel --version)"

export HOME=$(mktemp -d) QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
# A private sound server with a null sink, as a desktop session would have.
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit=yes -n --use-pid-file=no --system=no \
    --log-target=file:/tmp/pulse.log --load="module-null-sink sink_name=checksink" \
    --load="module-native-protocol-unix auth-anonymous=1" &
PULSE=$!
trap 'kill $PULSE 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { cat /tmp/pulse.log; fail "the sound server did not start"; }
pactl set-default-sink checksink

echo "== first start on a fresh home"
set +e
timeout 10 sarvel >/tmp/sarvel.log 2>&1
RC=$?
set -e
[ "$RC" = 124 ] || { cat /tmp/sarvel.log; fail "sarvel ended by itself (status $RC) instead of running"; }
grep -iE 'error|could not|cannot|failed' /tmp/sarvel.log && fail "sarvel complained on start" || true
for f in SARVEL/TEMES/First.vkt SARVEL/TEXTS SARVEL/SONGS SARVEL/ICONS SARVEL/NoIcoS.bmp SARVEL/NoIcoT.bmp \
    SARVEL/NoRtf.rtf SARVEL/Zastavka.jpg .config/sarvel/tirsen.ini; do
    [ -e "$HOME/$f" ] || fail "~/$f is missing after the first start"
done
echo "~/SARVEL laid out: $(find "$HOME/SARVEL" -type f | wc -l) files; settings: ~/.config/sarvel/tirsen.ini"

echo "== started as the menu starts it, on the demo kit, its first song played"
# The desktop entry's own command line, given the demo kit as a file manager gives a .vkt, and
# --play 1 for the click on song button 1; what reaches the sink is counted.
EXEC=$(sed -n 's/^Exec=//p' /usr/share/applications/org.sarvel.Sarvel.desktop | head -1)
EXEC=${EXEC//%f/$HOME/SARVEL/TEMES/First.vkt}
parec --device=checksink.monitor --raw --format=s16le --channels=1 --rate=8000 >/tmp/heard.raw &
REC=$!
set +e
timeout 6 $EXEC --play 1 >/tmp/sarvel-play.log 2>&1
RC=$?
set -e
kill $REC 2>/dev/null || true
wait $REC 2>/dev/null || true
[ "$RC" = 124 ] || { cat /tmp/sarvel-play.log; fail "'$EXEC --play 1' ended by itself (status $RC)"; }
LOUD=$(od -An -v -td2 -w2 /tmp/heard.raw | awk '$1 > 64 || $1 < -64 { n++ } END { print n + 0 }')
[ "$LOUD" -ge 1600 ] || fail "'$EXEC --play 1': nothing heard at the sink ($LOUD loud samples)"
echo "'$EXEC --play 1': $LOUD loud samples at the sink"

echo "== GStreamer elements"
for e in playbin fluiddec midiparse mpg123audiodec wavparse pulsesink; do
    gst-inspect-1.0 "$e" >/dev/null 2>&1 || fail "GStreamer element $e is missing"
done
echo "playbin fluiddec midiparse mpg123audiodec wavparse pulsesink: present"

echo "== each demo song through playbin into the null sink"
SONGS=0
while IFS= read -r -d '' song; do
    # Two seconds of each song are enough to show it decodes and reaches the sink.
    set +e
    timeout 2 gst-launch-1.0 -q playbin uri="file://$song" audio-sink="pulsesink device=checksink" \
        >/tmp/play.log 2>&1
    RC=$?
    set -e
    if [ "$RC" != 0 ] && [ "$RC" != 124 ]; then cat /tmp/play.log; fail "$song does not play"; fi
    grep -iE 'error|warning' /tmp/play.log && fail "$song: playback reported a problem" || true
    echo "plays: ${song#$HOME/}"
    SONGS=$((SONGS + 1))
done < <(find "$HOME/SARVEL/SONGS" -type f -iregex '.*\.\(mp3\|wav\|mid\|midi\|kar\)' -print0)
[ "$SONGS" -gt 0 ] || fail "no demo song in ~/SARVEL/SONGS"

echo "== desktop entry, icons, kit file type"
desktop-file-validate /usr/share/applications/org.sarvel.Sarvel.desktop || fail "desktop entry does not validate"
for s in scalable/apps/sarvel.svg 48x48/apps/sarvel.png 128x128/apps/sarvel.png 256x256/apps/sarvel.png; do
    [ -s "/usr/share/icons/hicolor/$s" ] || fail "icon $s is missing"
done
[ -s /usr/share/mime/packages/sarvel-kit.xml ] || fail "kit file type is missing"
echo "desktop entry valid; icons and /usr/share/mime/packages/sarvel-kit.xml in place"
if command -v update-mime-database >/dev/null; then
    update-mime-database /usr/share/mime
    grep -q 'application/x-sarvel-kit' /usr/share/mime/globs2 || fail "*.vkt not registered"
    echo "*.vkt registered as application/x-sarvel-kit"
fi
echo "ALL CHECKS PASSED"
EOF
in_root bash /tmp/run-checks.sh
echo "== done in $(($(date +%s) - START)) s"
