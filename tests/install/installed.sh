#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves that prefix elsewhere (nothing may point back
# into the build or source tree) and checks it:
#   installed.sh files BUILD VERSION  the desktop entry, metainfo and kit file type validate (skips
#                                     when desktop-file-validate or appstreamcli is missing)
#   installed.sh runs BUILD VERSION   the installed program starts with an empty home of its own and
#                                     lays out its data folder and demo kit from itself alone
#   installed.sh plays BUILD VERSION  started so, with --play 1, it plays theme 1's first demo song
#                                     into the private sound server's sink (skips without one)
set -euo pipefail
MODE=$1 BUILD=$2 VERSION=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$WORK/stage" >/dev/null
mv "$WORK/stage" "$WORK/moved"
P=$WORK/moved
ID=org.sarvel.Sarvel

case "$MODE" in
files)
    for f in bin/sarvel share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml \
        share/mime/packages/sarvel-kit.xml share/icons/hicolor/scalable/apps/sarvel.svg \
        share/icons/hicolor/{48x48,128x128,256x256}/apps/sarvel.png share/man/man1/sarvel.1.gz \
        share/doc/sarvel/copyright; do
        [ -f "$P/$f" ] || fail "$f not installed"
    done
    for size in 48 128 256; do
        # A PNG's width and height: big-endian words at bytes 16 and 20.
        read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$P/share/icons/hicolor/${size}x$size/apps/sarvel.png")
        [ $(((w0 << 24) + (w1 << 16) + (w2 << 8) + w3)) -eq "$size" ] &&
            [ $(((h0 << 24) + (h1 << 16) + (h2 << 8) + h3)) -eq "$size" ] || fail "the ${size}px icon has another size"
    done
    grep -q "release version=\"$VERSION\" date=\"[0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\}\"" \
        "$P/share/metainfo/$ID.metainfo.xml" || fail "metainfo names no release $VERSION"
    missing=()
    for tool in desktop-file-validate appstreamcli update-mime-database; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    [ ${#missing[@]} -eq 0 ] || { echo "skipped: ${missing[*]} not installed"; exit 77; }
    desktop-file-validate "$P/share/applications/$ID.desktop"
    appstreamcli validate --no-net "$P/share/metainfo/$ID.metainfo.xml"
    # A file manager learns the kit type from the compiled database.
    update-mime-database "$P/share/mime"
    grep -q '^[0-9]*:application/x-sarvel-kit:\*\.vkt$' "$P/share/mime/globs2" || fail "*.vkt is not a kit"
    grep -q '^application/x-sarvel-kit text/plain$' "$P/share/mime/subclasses" || fail "a kit is not text"
    ;;
runs)
    [ "$("$P/bin/sarvel" --version | head -1)" = "sarvel $VERSION" ] || fail "--version"
    HOME=$WORK/home
    mkdir -p "$HOME"
    cd "$WORK"
    export HOME XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    "$P/bin/sarvel" >"$WORK/out.log" 2>&1 &
    pid=$!
    settings=$XDG_CONFIG_HOME/sarvel/tirsen.ini
    for _ in $(seq 1 600); do
        [ -f "$settings" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -f "$settings" ] || { cat "$WORK/out.log"; fail "the program did not come up"; }
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { cat "$WORK/out.log"; fail "exit status $status"; }
    D=$HOME/SARVEL
    for f in NoIcoS.bmp NoIcoT.bmp NoRtf.rtf Zastavka.jpg TEMES/First.vkt; do
        [ -s "$D/$f" ] || fail "$f not laid out"
    done
    # Every song and words file the demo kit names is there.
    grep -i '^Button[0-9]*=' "$D/TEMES/First.vkt" >/dev/null || fail "the demo kit is empty"
    songs=$(find "$D/SONGS" -type f \( -name '*.mp3' -o -name '*.wav' -o -name '*.mid' -o -name '*.kar' \) | wc -l)
    [ "$songs" -ge 6 ] || fail "only $songs demo songs"
    grep -qi "NameFile=$D/TEMES/First.vkt" "$settings" || fail "the demo kit is not the current kit"
    ;;
plays)
    [ -n "${SARVEL_TEST_SINK:-}" ] || { echo "skipped: no private sound server (scripts/with-sound-server.sh)"; exit 77; }
    HOME=$WORK/home
    mkdir -p "$HOME"
    cd "$WORK"
    export HOME XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    # The sink's monitor, as 8 kHz mono: a null sink gives exact zeros until a stream plays into it.
    parec --raw --format=s16le --channels=1 --rate=8000 --latency-msec=20 -d "$SARVEL_TEST_SINK.monitor" \
        >"$WORK/sink.raw" &
    rec=$!
    "$P/bin/sarvel" --play 1 >"$WORK/out.log" 2>&1 &
    pid=$!
    loud() { od -An -v -td2 -w2 "$WORK/sink.raw" | awk '$1 > 64 || $1 < -64 { n++ } END { print n + 0 }'; }
    # A fifth of a second of sound above silence.
    for _ in $(seq 1 240); do
        [ "$(loud)" -ge 1600 ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.25
    done
    heard=$(loud)
    streams=$(pactl list sink-inputs)
    kill "$rec"
    kill -TERM "$pid" 2>/dev/null || true
    status=0
    wait "$pid" || status=$?
    [ "$heard" -ge 1600 ] || { cat "$WORK/out.log"; fail "no sound reached the sink ($heard loud samples)"; }
    grep -q 'application.process.binary = "sarvel"' <<<"$streams" || fail "the sound is not sarvel's stream"
    [ "$status" -eq 0 ] || { cat "$WORK/out.log"; fail "exit status $status"; }
    ;;
*) fail "unknown mode $MODE" ;;
esac
echo "ok: $MODE"
