#!/usr/bin/env bash
# Remakes the bundled content under assets/: placeholders, splash pictures, button pictures and the
# demo kit's songs, words and icons. Everything is drawn or synthesised here; the tunes are
# public-domain folk melodies or the project's own. The results are committed, so the build never
# runs this script.
# Tools (install once with apt-get; not needed by the build): imagemagick python3 gstreamer1.0-tools
# gstreamer1.0-plugins-good (lamemp3enc, xingmux).
set -euo pipefail
cd "$(dirname "$0")/.."

DATA=assets/data
UI=assets/ui
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$DATA/SONGS" "$DATA/TEXTS" "$DATA/ICONS" "$UI"

# No dates or comments in the files, so a remake of unchanged drawings gives the same bytes.
IM=(convert -define png:exclude-chunks=date,time)
FONT_SERIF=DejaVu-Serif-Bold-Italic
FONT_BOLD=DejaVu-Sans-Bold
FONT=DejaVu-Sans

# --- Pictures -----------------------------------------------------------------------------------

# bmp SIZE FILE DRAW...: a tile drawn at 4x and scaled down, saved as a 24-bit Windows bitmap.
bmp() {
    local size=$1 file=$2
    shift 2
    "${IM[@]}" "$@" -resize "${size}x${size}" -strip -type TrueColor "BMP3:$file"
}

# png SIZE FILE DRAW...: a transparent picture drawn at 4x and scaled down.
png() {
    local size=$1 file=$2
    shift 2
    "${IM[@]}" "$@" -resize "${size}x${size}" -strip "PNG32:$file"
}

# A grey quaver on a 128 canvas.
GREY_NOTE=(-fill '#a4a4a4' -stroke none -draw "ellipse 50,94 19,14 0,360" -draw "rectangle 62,24 70,94"
    -draw "polygon 70,24 100,40 100,56 70,42")

# Splash picture installed as ~/SARVEL/Zastavka.jpg: a microphone in a spotlight.
"${IM[@]}" -size 284x357 gradient:'#0a1440'-'#4a1460' \
    \( -size 284x357 xc:none -fill 'rgba(255,250,210,0.16)' -draw "polygon 142,-10 40,357 244,357" \
    -blur 0x12 \) -composite \
    -fill 'rgba(255,255,255,0.85)' -draw "point 30,30" -draw "point 250,24" -draw "point 210,60" \
    -draw "point 20,150" -draw "point 262,210" -draw "point 70,40" -draw "point 236,250" \
    -fill 'rgba(255,255,255,0.10)' -draw "ellipse 142,300 110,18 0,360" \
    -stroke '#2b2b33' -strokewidth 2 -fill '#c9ccd6' -draw "roundrectangle 110,70 174,168 32,32" \
    -stroke '#8a8e9c' -strokewidth 1 -draw "line 114,92 170,92" -draw "line 111,106 173,106" \
    -draw "line 110,120 174,120" -draw "line 110,134 174,134" -draw "line 111,148 173,148" \
    -draw "line 126,73 126,166" -draw "line 142,70 142,168" -draw "line 158,73 158,166" \
    -stroke '#222222' -fill '#d4a52a' -draw "rectangle 108,164 176,176" \
    -fill '#30313a' -draw "polygon 124,176 160,176 152,262 132,262" \
    -fill '#45464f' -draw "rectangle 131,262 153,270" \
    -stroke none -fill '#f2c84b' -draw "ellipse 52,118 11,8 -20,340" -draw "rectangle 60,58 64,116" \
    -draw "polygon 64,58 88,70 88,80 64,68" \
    -draw "ellipse 224,150 10,7 -20,340" -draw "ellipse 254,140 10,7 -20,340" \
    -draw "rectangle 231,92 235,148" -draw "rectangle 261,82 265,138" -draw "polygon 231,92 265,82 265,92 231,102" \
    -fill '#f5d77a' -draw "ellipse 40,212 7,5 -20,340" -draw "rectangle 45,176 48,210" \
    -font $FONT_SERIF -pointsize 46 -gravity north -fill '#1a0a20' -annotate +3+283 'Sarvel' \
    -fill '#ffd75e' -annotate +0+280 'Sarvel' \
    -font $FONT -pointsize 11 -fill '#cfd6ff' -annotate +0+336 'песни для сцены · songs for the stage' \
    -strip -sampling-factor 2x2 -quality 88 "$DATA/Zastavka.jpg"

# Built-in splash picture, shown when Zastavka.jpg is missing: a record and a level meter.
"${IM[@]}" -size 284x357 gradient:'#0c2a2e'-'#06090c' \
    -fill '#111111' -stroke '#000000' -draw "circle 142,118 142,28" \
    -fill none -stroke '#2a2a2a' -strokewidth 1 -draw "circle 142,118 142,36" -draw "circle 142,118 142,44" \
    -draw "circle 142,118 142,52" -draw "circle 142,118 142,60" -draw "circle 142,118 142,68" \
    -draw "circle 142,118 142,76" \
    -stroke none -fill 'rgba(255,255,255,0.10)' -draw "path 'M 142,118 L 142,28 A 90,90 0 0,1 220,73 Z'" \
    -fill '#c8322c' -draw "circle 142,118 142,90" -fill '#f0e6c8' -draw "circle 142,118 142,114" \
    -font $FONT_BOLD -pointsize 9 -gravity north -fill '#f0e6c8' -annotate +0+96 'SARVEL' \
    -gravity northwest -fill '#2fb5a8' -draw "rectangle 52,296 64,318" -draw "rectangle 70,284 82,318" \
    -draw "rectangle 88,270 100,318" -draw "rectangle 106,290 118,318" -draw "rectangle 124,278 136,318" \
    -draw "rectangle 148,262 160,318" -draw "rectangle 166,282 178,318" -draw "rectangle 184,294 196,318" \
    -draw "rectangle 202,276 214,318" -draw "rectangle 220,300 232,318" \
    -font $FONT_BOLD -pointsize 40 -gravity north -fill white -annotate +0+212 'Sarvel' \
    -font $FONT -pointsize 11 -fill '#9adbd3' -annotate +0+332 'song player' \
    +dither -colors 128 -strip "PNG8:$UI/splash.png"

# Placeholder icons: a grey note on a grey tile.
bmp 32 "$DATA/NoIcoS.bmp" -size 128x128 xc:'#e2e2e2' -fill none -stroke '#9a9a9a' -strokewidth 6 \
    -draw "rectangle 3,3 124,124" "${GREY_NOTE[@]}"
bmp 16 "$DATA/NoIcoT.bmp" -size 64x64 xc:'#e2e2e2' -fill none -stroke '#9a9a9a' -strokewidth 6 \
    -draw "rectangle 3,3 60,60" -fill '#a4a4a4' -stroke none -draw "ellipse 26,46 10,7 0,360" \
    -draw "rectangle 32,12 37,46" -draw "polygon 37,12 52,20 52,28 37,21"

# Demo song icons.
bmp 32 "$DATA/ICONS/Korobeiniki.bmp" -size 128x128 xc:'#f6dca0' \
    -fill none -stroke '#5a3410' -strokewidth 6 -draw "path 'M 30,52 Q 64,-8 98,52'" \
    -stroke '#5a3410' -strokewidth 3 -fill '#a0642a' -draw "rectangle 20,52 108,110" \
    -fill '#c07a36' -draw "polygon 12,40 116,40 108,58 20,58" \
    -stroke none -fill '#d03030' -draw "rectangle 58,58 70,110"
bmp 32 "$DATA/ICONS/Vo_pole_bereza.bmp" -size 128x128 gradient:'#a9d8ff'-'#eaf6ff' \
    -fill '#6cbf4a' -draw "rectangle 0,106 128,128" \
    -fill '#f7f7f2' -stroke '#333333' -strokewidth 2 -draw "rectangle 58,50 70,114" \
    -stroke none -fill '#3f9f3a' -draw "ellipse 64,40 34,28 0,360" -draw "ellipse 40,58 22,16 0,360" \
    -draw "ellipse 88,58 22,16 0,360" \
    -fill '#222222' -draw "rectangle 58,76 64,79" -draw "rectangle 64,88 70,91" -draw "rectangle 58,100 63,103"
bmp 32 "$DATA/ICONS/Vecher_u_reki.bmp" -size 128x80 gradient:'#5a3a8a'-'#ffa050' \
    -fill '#ffe066' -draw "circle 64,80 64,56" -background '#2a4f8a' -gravity north -extent 128x128 \
    -gravity northwest -stroke '#9fc3ff' -strokewidth 4 -draw "line 30,92 98,92" -draw "line 44,104 84,104" \
    -draw "line 54,116 74,116"
bmp 32 "$DATA/ICONS/Twinkle_Twinkle.bmp" -size 128x128 xc:'#14204a' \
    -fill '#ffd54a' -stroke '#c99a00' -strokewidth 3 \
    -draw "polygon 64,20 74,50 106,50 80,68 90,100 64,80 38,100 48,68 22,50 54,50" \
    -stroke none -fill white -draw "circle 18,18 18,21" -draw "circle 108,22 108,25" \
    -draw "circle 104,106 104,109" -draw "circle 22,104 22,107"
bmp 32 "$DATA/ICONS/Drunken_Sailor.bmp" -size 128x128 gradient:'#3a88d4'-'#174577' \
    -fill none -stroke white -strokewidth 8 -draw "circle 64,24 64,12" -draw "path 'M 26,78 Q 64,128 102,78'" \
    -stroke none -fill white -draw "rectangle 60,34 68,108" -draw "rectangle 38,44 90,52" \
    -draw "polygon 16,76 36,70 30,90" -draw "polygon 112,76 92,70 98,90"
bmp 32 "$DATA/ICONS/Greensleeves.bmp" -size 128x128 xc:'#e6f5dc' \
    -fill '#2e8b3a' -stroke '#1d5c26' -strokewidth 3 \
    -draw "path 'M 64,112 C 8,72 18,18 64,42 C 110,18 120,72 64,112 Z'"

# Demo theme icons.
bmp 16 "$DATA/ICONS/Tema_Russian.bmp" -size 64x64 xc:'#c8322c' \
    -fill '#f2c84b' -draw "rectangle 29,4 35,22" -draw "polygon 32,16 10,58 54,58" \
    -fill '#5a2a10' -draw "circle 32,44 32,49"
bmp 16 "$DATA/ICONS/Tema_English.bmp" -size 64x64 xc:'#1f4f9a' \
    -fill white -draw "ellipse 26,46 10,7 0,360" -draw "rectangle 32,12 37,46" -draw "polygon 37,12 52,20 52,28 37,21"

# Top-bar button pictures (fallbacks for the desktop icon theme).
PAGE=(-fill white -stroke '#555555' -strokewidth 5 -draw "polygon 24,8 80,8 106,34 106,120 24,120"
    -fill '#dddddd' -draw "polygon 80,8 80,34 106,34")
png 32 "$UI/open-text.png" -size 128x128 xc:none "${PAGE[@]}" -stroke none -fill '#3060c0' \
    -draw "rectangle 38,48 92,54" -draw "rectangle 38,64 92,70" -draw "rectangle 38,80 92,86" \
    -draw "rectangle 38,96 76,102"
png 32 "$UI/open-song.png" -size 128x128 xc:none \
    -fill '#d9a53a' -stroke '#8a6414' -strokewidth 4 -draw "polygon 8,24 48,24 58,36 120,36 120,116 8,116" \
    -fill '#f3c95a' -draw "polygon 8,48 120,48 120,116 8,116" \
    -stroke none -fill '#3a2a8a' -draw "ellipse 56,96 12,9 0,360" -draw "rectangle 64,56 70,96" \
    -draw "polygon 70,56 92,66 92,78 70,68"
png 32 "$UI/about.png" -size 128x128 xc:none -fill '#2f6fd0' -stroke '#1a4a9a' -strokewidth 5 \
    -draw "circle 64,64 64,8" -stroke none -fill white -draw "circle 64,36 64,45" \
    -draw "roundrectangle 56,56 72,102 4,4"
png 32 "$UI/new-file.png" -size 128x128 xc:none "${PAGE[@]}" -stroke '#1c7a30' -strokewidth 4 \
    -fill '#2ea043' -draw "circle 90,90 90,62" -stroke none -fill white \
    -draw "rectangle 86,74 94,106" -draw "rectangle 74,86 106,94"
png 32 "$UI/begin.png" -size 128x128 xc:none -fill '#2060a0' -stroke '#103a68' -strokewidth 3 \
    -draw "rectangle 14,24 28,104" -draw "polygon 30,64 72,24 72,104" -draw "polygon 72,64 114,24 114,104"
png 48 "$UI/play.png" -size 192x192 xc:none -fill '#22a34a' -stroke '#137030' -strokewidth 8 \
    -draw "polygon 52,26 164,96 52,166"
png 48 "$UI/stop.png" -size 192x192 xc:none -fill '#d03a30' -stroke '#8a1d16' -strokewidth 8 \
    -draw "roundrectangle 40,40 152,152 16,16"
GEAR=$(python3 -c '
import math
pts = []
for i in range(40):
    a = 2 * math.pi * i / 40
    r = 58 if i % 4 in (1, 2) else 44
    pts.append("%.1f,%.1f" % (64 + r * math.cos(a), 64 + r * math.sin(a)))
print(" ".join(pts))')
png 32 "$UI/option.png" -size 128x128 xc:none -fill '#6a6f7a' -stroke '#3c4048' -strokewidth 3 \
    -draw "polygon $GEAR" \( -size 128x128 xc:none -fill white -draw "circle 64,64 64,46" \) \
    -compose DstOut -composite
# Window icon and the default picture of the song icon box.
png 128 "$UI/sarvel.png" -size 256x256 gradient:'#1a2a6a'-'#5a1a70' \
    \( -size 256x256 xc:none -fill white -draw "roundrectangle 4,4 251,251 48,48" \) -compose DstIn -composite \
    -compose Over -fill '#d9dce6' -stroke '#2b2b33' -strokewidth 4 -draw "roundrectangle 96,30 160,132 32,32" \
    -fill '#d4a52a' -draw "rectangle 90,128 166,144" -fill '#30313a' -draw "polygon 108,144 148,144 140,226 116,226" \
    -stroke none -fill '#f2c84b' -draw "ellipse 196,178 16,12 -20,340" -draw "rectangle 206,92 212,176" \
    -draw "polygon 212,92 236,104 236,120 212,108"
png 57 "$UI/image-icon.png" -size 228x228 xc:none -fill '#1f7a78' -stroke '#0f4a48' -strokewidth 6 \
    -draw "roundrectangle 6,6 221,221 36,36" -stroke none -fill '#f4f0dc' \
    -draw "ellipse 70,170 30,22 -20,340" -draw "ellipse 164,150 30,22 -20,340" \
    -draw "rectangle 92,40 104,170" -draw "rectangle 186,20 198,150" -draw "polygon 92,40 198,20 198,48 92,68"

# --- Words (RTF) ----------------------------------------------------------------------------------
python3 - "$DATA" <<'PY'
import sys

data = sys.argv[1]


def esc(text, codepage):
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 128:
            out.append(ch)
        else:
            try:
                b = ch.encode(codepage)
                out.append("".join("\\'%02x" % c for c in b))
            except UnicodeEncodeError:
                out.append("\\u%d?" % ord(ch))
    return "".join(out)


def rtf(path, title, note, stanzas, russian):
    """WordPad-style file: centred bold coloured title, italic note, verses, italic chorus in blue."""
    cp = "cp1251" if russian else "cp1252"
    head = ("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}}"
            if russian else
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}")
    lines = [head,
             "{\\colortbl ;\\red128\\green0\\blue0;\\red0\\green0\\blue160;\\red96\\green96\\blue96;}",
             "\\viewkind4\\uc1\\pard\\qc\\cf1\\b\\f0\\fs36 " + esc(title, cp) + "\\par",
             "\\cf3\\b0\\i\\fs20 " + esc(note, cp) + "\\i0\\par",
             "\\pard\\cf0\\fs28\\par"]
    for kind, verse in stanzas:
        if kind == "chorus":
            lines.append("\\cf2\\i " + "\\par\r\n".join(esc(l, cp) for l in verse) + "\\par\\cf0\\i0")
        else:
            lines.append("\\par\r\n".join(esc(l, cp) for l in verse) + "\\par")
        lines.append("\\par")
    lines.append("}")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


def v(text):
    return ("verse", text.strip().split("\n"))


def c(text):
    return ("chorus", text.strip().split("\n"))


T = data + "/TEXTS/"
rtf(data + "/NoRtf.rtf", "текста нет", "no words", [], True)

rtf(T + "Korobeiniki.rtf", "Коробейники", "слова Н. А. Некрасова (1861), напев народный", [
    v("Ой, полным-полна коробушка,\nЕсть и ситцы и парча.\nПожалей, моя зазнобушка,\nМолодецкого плеча!"),
    v("Выди, выди в рожь высокую!\nТам до ночки погожу,\nА завижу черноокую —\nВсе товары разложу."),
    v("Цены сам платил немалые,\nНе торгуйся, не скупись:\nПодставляй-ка губы алые,\nБлиже к милому садись!"),
], True)

rtf(T + "Vo_pole_bereza.rtf", "Во поле берёза стояла", "русская народная песня", [
    v("Во поле берёза стояла,\nВо поле кудрявая стояла."),
    c("Люли, люли, стояла,\nЛюли, люли, стояла."),
    v("Некому берёзу заломати,\nНекому кудряву заломати."),
    c("Люли, люли, заломати,\nЛюли, люли, заломати."),
    v("Я пойду, пойду погуляю,\nБелую берёзу заломаю."),
    c("Люли, люли, заломаю,\nЛюли, люли, заломаю."),
], True)

rtf(T + "Vecher_u_reki.rtf", "Вечер у реки", "слова и музыка: Sarvel", [
    v("Тихо вечер над рекою,\nТёплый ветер в камышах.\nЯ пою, а ты со мною —\nПесня светится в глазах."),
    c("Плыви, моя песня, над тихой водой,\nЛети, моя песня, за дальней звездой."),
    v("Гаснут в небе переливы,\nЗасыпает старый сад.\nМы сегодня так счастливы —\nНе вернуть зарю назад."),
    c("Плыви, моя песня, над тихой водой,\nЛети, моя песня, за дальней звездой."),
], True)

rtf(T + "Twinkle_Twinkle.rtf", "Twinkle, Twinkle, Little Star", "words by Jane Taylor (1806)", [
    v("Twinkle, twinkle, little star,\nHow I wonder what you are!\nUp above the world so high,\nLike a diamond in the sky."),
    c("Twinkle, twinkle, little star,\nHow I wonder what you are!"),
    v("When the blazing sun is gone,\nWhen he nothing shines upon,\nThen you show your little light,\nTwinkle, twinkle, all the night."),
    c("Twinkle, twinkle, little star,\nHow I wonder what you are!"),
], False)

rtf(T + "Drunken_Sailor.rtf", "Drunken Sailor", "traditional sea shanty", [
    v("What shall we do with a drunken sailor,\nWhat shall we do with a drunken sailor,\nWhat shall we do with a drunken sailor,\nEarly in the morning?"),
    c("Way hay and up she rises,\nWay hay and up she rises,\nWay hay and up she rises,\nEarly in the morning!"),
    v("Put him in the longboat till he's sober,\nPut him in the longboat till he's sober,\nPut him in the longboat till he's sober,\nEarly in the morning!"),
    c("Way hay and up she rises,\nWay hay and up she rises,\nWay hay and up she rises,\nEarly in the morning!"),
], False)

rtf(T + "Greensleeves.rtf", "Greensleeves", "traditional English ballad, 16th century", [
    v("Alas, my love, you do me wrong,\nTo cast me off discourteously.\nFor I have loved you well and long,\nDelighting in your company."),
    c("Greensleeves was all my joy,\nGreensleeves was my delight,\nGreensleeves was my heart of gold,\nAnd who but my lady Greensleeves?"),
], False)
PY

# --- Songs ------------------------------------------------------------------------------------------
cat >"$WORK/music.py" <<'PY'
# Renders the demo kit's tunes: a small additive synthesiser for the wav/mp3 songs and a
# standard MIDI file writer for the .mid songs. Standard library only.
import math
import struct
import sys
import wave

NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def midi(name):
    """'A4' -> 69, 'G#4' -> 68, 'Bb3' -> 58."""
    pc = NAMES[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        pc += 1
        rest = rest[1:]
    elif rest.startswith("b"):
        pc -= 1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pc


CHORDS = {"": (0, 4, 7), "m": (0, 3, 7), "7": (0, 4, 7, 10)}


def chord_notes(chord):
    """'Am' -> (root midi in octave 2, [triad in octave 3/4])."""
    root = chord[0]
    q = chord[1:]
    if q.startswith("#"):
        root += "#"
        q = q[1:]
    r = midi(root + "2")
    return r, [r + 12 + i for i in CHORDS[q]]


def parse(bars):
    """bars: list of (chord or None, 'A4:1 r:.5 ...') -> list of (chord, [(midi|None, beats)])."""
    out = []
    for chord, text in bars:
        notes = []
        for tok in text.split():
            n, d = tok.split(":")
            notes.append((None if n == "r" else midi(n), float(d)))
        out.append((chord, notes))
    return out


# Each song: tempo (quarter notes a minute), beats a bar, bars. Melodies are public-domain folk
# tunes or the project's own; harmonies and arrangements are the project's own.
SONGS = {
    "korobeiniki": dict(tempo=168, beats=4, program=(21, 32, 48), bars=[
        ("Am", "E5:1 B4:.5 C5:.5 D5:1 C5:.5 B4:.5"),
        ("Am", "A4:1 A4:.5 C5:.5 E5:1 D5:.5 C5:.5"),
        ("E", "B4:1.5 C5:.5 D5:1 E5:1"),
        ("Am", "C5:1 A4:1 A4:2"),
        ("Dm", "r:.5 D5:1 F5:.5 A5:1 G5:.5 F5:.5"),
        ("C", "E5:1.5 C5:.5 E5:1 D5:.5 C5:.5"),
        ("E", "B4:1 B4:.5 C5:.5 D5:1 E5:1"),
        ("Am", "C5:1 A4:1 A4:2"),
    ] * 2),
    "bereza": dict(tempo=92, beats=2, program=(21, 32, 48), bars=[
        ("Dm", "A4:.5 A4:.5 A4:.5 A4:.5"),
        ("C", "G4:.5 F4:.5 E4:.5 E4:.5"),
        ("Dm", "D4:2"),
        ("Dm", "A4:.5 A4:.5 A4:.5 A4:.5"),
        ("C", "G4:.5 F4:.5 E4:.5 E4:.5"),
        ("Dm", "D4:2"),
        ("F", "F4:.5 G4:.5 A4:.5 F4:.5"),
        ("C", "G4:.5 F4:.5 E4:.5 E4:.5"),
        ("Dm", "D4:2"),
        ("F", "F4:.5 G4:.5 A4:.5 F4:.5"),
        ("C", "G4:.5 F4:.5 E4:.5 C4:.5"),
        ("Dm", "D4:2"),
    ] * 2),
    "vecher": dict(tempo=126, beats=3, program=(73, 32, 48), bars=[
        ("Am", "A4:1 C5:1 E5:1"),
        ("Am", "A5:2 G5:1"),
        ("Dm", "F5:2 E5:1"),
        ("Dm", "D5:3"),
        ("G", "B4:1 D5:1 G5:1"),
        ("C", "E5:2 D5:1"),
        ("E", "C5:1 B4:1 G#4:1"),
        ("Am", "A4:3"),
        ("F", "C5:1 F5:1 A5:1"),
        ("C", "G5:2 E5:1"),
        ("Dm", "F5:1 E5:1 D5:1"),
        ("E", "B4:2 E5:1"),
        ("Am", "C5:2 A4:1"),
        ("Dm", "D5:1 F5:1 A5:1"),
        ("E", "G#5:2 B4:1"),
        ("Am", "A4:3"),
    ]),
    "twinkle": dict(tempo=100, beats=4, program=(8, 32, 48), bars=[
        ("C", "C5:1 C5:1 G5:1 G5:1"), ("F", "A5:1 A5:1"), ("C", "G5:2"),
        ("F", "F5:1 F5:1"), ("C", "E5:1 E5:1"), ("G", "D5:1 D5:1"), ("C", "C5:2"),
        ("C", "G5:1 G5:1"), ("F", "F5:1 F5:1"), ("C", "E5:1 E5:1"), ("G", "D5:2"),
        ("C", "G5:1 G5:1"), ("F", "F5:1 F5:1"), ("C", "E5:1 E5:1"), ("G", "D5:2"),
        ("C", "C5:1 C5:1 G5:1 G5:1"), ("F", "A5:1 A5:1"), ("C", "G5:2"),
        ("F", "F5:1 F5:1"), ("C", "E5:1 E5:1"), ("G", "D5:1 D5:1"), ("C", "C5:2"),
    ]),
    "sailor": dict(tempo=132, beats=4, program=(22, 32, 48), bars=[
        ("Dm", "A4:1 A4:.5 A4:.5 A4:1 A4:.5 A4:.5"),
        ("Dm", "A4:1 D4:1 F4:1 A4:1"),
        ("C", "G4:1 G4:.5 G4:.5 G4:1 G4:.5 G4:.5"),
        ("C", "G4:1 C4:1 E4:1 G4:1"),
        ("Dm", "A4:1 A4:.5 A4:.5 A4:1 A4:.5 A4:.5"),
        ("Dm", "A4:1 B4:1 C5:1 D5:1"),
        ("C", "C5:1 A4:1 G4:1 E4:1"),
        ("Dm", "D4:2 D4:2"),
        ("Dm", "A4:2 A4:2"),
        ("Dm", "A4:1 D4:1 F4:1 A4:1"),
        ("C", "G4:2 G4:2"),
        ("C", "G4:1 C4:1 E4:1 G4:1"),
        ("Dm", "A4:2 A4:2"),
        ("Dm", "A4:1 B4:1 C5:1 D5:1"),
        ("C", "C5:1 A4:1 G4:1 E4:1"),
        ("Dm", "D4:2 D4:2"),
    ]),
    "greensleeves": dict(tempo=168, beats=3, program=(24, 32, 48), bars=[
        (None, "A4:1"),
        ("Am", "C5:2 D5:1"), ("C", "E5:1.5 F5:.5 E5:1"), ("G", "D5:2 B4:1"),
        ("Em", "G4:1.5 A4:.5 B4:1"), ("Am", "C5:2 A4:1"), ("Am", "A4:1.5 G#4:.5 A4:1"),
        ("E", "B4:2 G#4:1"), ("E", "E4:2 A4:1"),
        ("Am", "C5:2 D5:1"), ("C", "E5:1.5 F5:.5 E5:1"), ("G", "D5:2 B4:1"),
        ("Em", "G4:1.5 A4:.5 B4:1"), ("Am", "C5:1.5 B4:.5 A4:1"), ("E", "G#4:1.5 F#4:.5 G#4:1"),
        ("Am", "A4:3"),
        ("C", "G5:3"), ("Em", "G5:1.5 F#5:.5 E5:1"), ("G", "D5:2 B4:1"),
        ("Em", "G4:1.5 A4:.5 B4:1"), ("Am", "C5:2 A4:1"), ("E", "A4:1.5 G#4:.5 A4:1"),
        ("E", "B4:2 G#4:1"), ("E", "E4:3"),
        ("C", "G5:3"), ("Em", "G5:1.5 F#5:.5 E5:1"), ("G", "D5:2 B4:1"),
        ("Em", "G4:1.5 A4:.5 B4:1"), ("Am", "C5:1.5 B4:.5 A4:1"), ("E", "G#4:1.5 F#4:.5 G#4:1"),
        ("Am", "A4:3"),
    ]),
}


def events(song):
    """(start beat, length beats, midi note, voice) for melody, bass and chords."""
    out = []
    t = 0.0
    beats = song["beats"]
    for chord, notes in parse(song["bars"]):
        length = sum(d for _, d in notes)
        pos = t
        for n, d in notes:
            if n is not None:
                out.append((pos, d * 0.92, n, 0))
            pos += d
        if chord:
            root, triad = chord_notes(chord)
            # Bass on the strong beats, chords held softly under the tune.
            out.append((t, min(length, 1.0) * 0.9, root, 2))
            if length >= 3:
                fifth = root + 7 if root + 7 <= midi("E3") else root - 5
                out.append((t + (2 if beats == 4 else 1), 0.9, fifth, 2))
            for n in triad:
                out.append((t, length * 0.97, n, 1))
        t += length
    return out, t


def freq(n):
    return 440.0 * 2 ** ((n - 69) / 12)


# Voice shapes: harmonic amplitudes, attack, release (s), gain.
VOICES = [
    ((1.0, 0.55, 0.35, 0.2, 0.12, 0.06), 0.012, 0.08, 0.32),  # tune: reedy
    ((1.0, 0.25, 0.08), 0.08, 0.25, 0.07),                   # chords: soft pad
    ((1.0, 0.45, 0.1), 0.01, 0.06, 0.30),                    # bass
]
TABLE = 2048


def tables():
    out = []
    for harmonics, *_ in VOICES:
        t = [sum(a * math.sin(2 * math.pi * (k + 1) * i / TABLE) for k, a in enumerate(harmonics))
             for i in range(TABLE)]
        peak = max(abs(v) for v in t)
        out.append([v / peak for v in t])
    return out


def render(song, rate):
    evs, total = events(song)
    spb = 60.0 / song["tempo"]
    n_total = int((total * spb + 1.0) * rate)
    buf = [0.0] * n_total
    tabs = tables()
    for start, length, note, voice in evs:
        harmonics, attack, release, gain = VOICES[voice]
        tab = tabs[voice]
        s0 = int(start * spb * rate)
        held = length * spb
        n = int((held + release) * rate)
        step = freq(note) * TABLE / rate
        phase = 0.0
        a_n = max(1, int(attack * rate))
        h_n = int(held * rate)
        r_n = max(1, n - h_n)
        for i in range(min(n, n_total - s0)):
            if i < a_n:
                env = i / a_n
            elif i < h_n:
                # a gentle decay while the note is held
                env = 0.6 + 0.4 * math.exp(-(i - a_n) / (0.25 * rate))
            else:
                env = (0.6 + 0.4 * math.exp(-(h_n - a_n) / (0.25 * rate))) * (1 - (i - h_n) / r_n)
            buf[s0 + i] += gain * env * tab[int(phase) & (TABLE - 1)]
            phase += step
    peak = max(abs(v) for v in buf) or 1.0
    fade = int(0.5 * rate)
    out = []
    for i, v in enumerate(buf):
        g = 0.89 / peak
        if i > n_total - fade:
            g *= (n_total - i) / fade
        out.append(v * g)
    return out


def write_wav(path, samples, rate, width):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(width)
        w.setframerate(rate)
        if width == 1:
            w.writeframes(bytes(max(0, min(255, int(round(s * 127)) + 128)) for s in samples))
        else:
            w.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def track(body):
    return b"MTrk" + struct.pack(">I", len(body)) + body


# Words sung to a tune, a line to a phrase of `notes` melody notes: syllables split by "-", one to a
# note; a line with fewer syllables holds its last one, one with more shares out its last note.
# A stanza starts after a blank entry.
LYRICS = {
    "bereza": (9, [
        "Во по-ле бе-рё-за сто-я-ла,", "Во по-ле куд-ря-ва-я сто-я-ла.", "",
        "Лю-ли, лю-ли, сто-я-ла,", "Лю-ли, лю-ли, сто-я-ла.", "",
        "Не-ко-му бе-рё-зу за-ло-ма-ти,", "Не-ко-му куд-ря-ву за-ло-ма-ти.", "",
        "Лю-ли, лю-ли, за-ло-ма-ти,", "Лю-ли, лю-ли, за-ло-ма-ти.",
    ]),
    "twinkle": (7, [
        "Twin-kle, twin-kle, lit-tle star,", "How I won-der what you are!",
        "Up a-bove the world so high,", "Like a dia-mond in the sky.", "",
        "Twin-kle, twin-kle, lit-tle star,", "How I won-der what you are!",
    ]),
}


def sung(song):
    """[(new stanza, [(seconds, syllable with its leading space)])] a line, from LYRICS."""
    per_line, lines = LYRICS[song_name(song)]
    beat = 60 / song["tempo"]
    melody = sorted((start, length) for start, length, _, voice in events(song)[0] if voice == 0)
    out = []
    stanza = True
    for text in lines:
        if not text:
            stanza = True
            continue
        notes, melody = melody[:per_line], melody[per_line:]
        syllables = []
        for w, word in enumerate(text.split()):
            parts = word.split("-")
            syllables += [(" " if w and i == 0 else "") + part for i, part in enumerate(parts)]
        timed = []
        for i, syllable in enumerate(syllables):
            if i < len(notes) - 1 or len(syllables) <= len(notes):
                start = notes[i][0]
            else:
                last_start, last_length = notes[-1]
                share = len(syllables) - len(notes) + 1
                start = last_start + last_length * (i - len(notes) + 1) / share
            timed.append((start * beat, syllable))
        out.append((stanza, timed))
        stanza = False
    return out


def song_name(song):
    return next(name for name, s in SONGS.items() if s is song)


def write_lrc(path, song, title):
    """An LRC with a tag a word."""
    def tag(seconds):
        cs = int(round(seconds * 100))
        return f"{cs // 6000:02d}:{cs // 100 % 60:02d}.{cs % 100:02d}"
    out = [f"[ti:{title}]", "[by:Sarvel]"]
    for stanza, timed in sung(song):
        if stanza and len(out) > 2:
            out.append("")
        line = f"[{tag(timed[0][0])}]"
        for seconds, syllable in timed:
            if syllable.startswith(" ") or line.endswith("]"):
                line += f"<{tag(seconds)}>" + syllable.lstrip() if line.endswith("]") else f" <{tag(seconds)}>" + syllable[1:]
            else:
                line += syllable
        out.append(line)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def words_track(song, title):
    """A karaoke words track: Windows-1251 text events, "/" a new line, "\\" a new stanza."""
    ppq = 480
    beat = 60 / song["tempo"]
    body = b"\x00\xff\x03\x05Words"
    for header in (b"@KMIDI KARAOKE FILE", b"@V0100", b"@LRUS", b"@T" + title):
        body += b"\x00\xff\x01" + vlq(len(header)) + header
    last = 0
    for n, (stanza, timed) in enumerate(sung(song)):
        for i, (seconds, syllable) in enumerate(timed):
            text = (("\\" if stanza else "/") if n and i == 0 else "") + syllable.lstrip(" " if i == 0 else "")
            data = text.encode("cp1251")
            tick = int(round(seconds / beat * ppq))
            body += vlq(tick - last) + b"\xff\x01" + vlq(len(data)) + data
            last = tick
    return track(body + b"\x00\xff\x2f\x00")


def write_mid(path, song, title, words=False):
    ppq = 480
    evs, total = events(song)
    tempo = int(60_000_000 / song["tempo"])
    conductor = (b"\x00\xff\x03" + vlq(len(title)) + title
                 + b"\x00\xff\x51\x03" + tempo.to_bytes(3, "big")
                 + b"\x00\xff\x58\x04" + bytes((song["beats"], 2, 24, 8))
                 + vlq(int(total * ppq)) + b"\xff\x2f\x00")
    tracks = [track(conductor)]
    velocity = (118, 64, 100)
    volume = (127, 84, 110)
    for voice in range(3):
        ch = voice
        msgs = []
        for start, length, note, v in evs:
            if v != voice:
                continue
            on = int(round(start * ppq))
            off = int(round((start + length) * ppq))
            msgs.append((on, 1, bytes((0x90 | ch, note, velocity[voice]))))
            msgs.append((off, 0, bytes((0x80 | ch, note, 0))))
        msgs.sort(key=lambda m: (m[0], m[1]))
        body = bytearray(b"\x00" + bytes((0xC0 | ch, song["program"][voice])))
        body += b"\x00" + bytes((0xB0 | ch, 7, volume[voice]))
        last = 0
        for tick, _, data in msgs:
            body += vlq(tick - last) + data
            last = tick
        body += b"\x00\xff\x2f\x00"
        tracks.append(track(bytes(body)))
    if words:
        tracks.append(words_track(song, title))
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), ppq) + b"".join(tracks))


if __name__ == "__main__":
    kind, name, path = sys.argv[1:4]
    song = SONGS[name]
    if kind == "mid":
        write_mid(path, song, name.encode())
    elif kind == "kar":
        write_mid(path, song, sys.argv[4].encode("cp1251"), words=True)
    elif kind == "lrc":
        write_lrc(path, song, sys.argv[4])
        sys.exit()
    elif kind == "wav8":
        write_wav(path, render(song, 22050), 22050, 1)
    elif kind == "wav16":
        write_wav(path, render(song, 22050), 22050, 2)
    total = events(song)[1] * 60 / song["tempo"]
    print(f"{name}: {total:.1f} s")
PY
music() { python3 "$WORK/music.py" "$@"; }
# Timed words: one song as a karaoke MIDI file, one with a timing file (LRC) beside it.
music kar bereza "$DATA/SONGS/Vo_pole_bereza.kar" "Во поле берёза стояла"
music lrc twinkle "$DATA/SONGS/Twinkle_Twinkle.lrc" "Twinkle, Twinkle, Little Star"
music mid greensleeves "$DATA/SONGS/Greensleeves.mid"
# The one wav is 8-bit to stay small.
music wav8 korobeiniki "$DATA/SONGS/Korobeiniki.wav"
for pair in vecher:Vecher_u_reki twinkle:Twinkle_Twinkle sailor:Drunken_Sailor; do
    music wav16 "${pair%%:*}" "$WORK/${pair%%:*}.wav"
    # A Xing header lets players know the length before playing.
    gst-launch-1.0 -q filesrc location="$WORK/${pair%%:*}.wav" ! wavparse ! audioconvert \
        ! lamemp3enc target=bitrate bitrate=40 cbr=true ! xingmux ! filesink location="$DATA/SONGS/${pair##*:}.mp3"
done

# Everything above is compiled into the program.
{
    echo '<!DOCTYPE RCC>'
    echo '<RCC version="1.0">'
    echo '    <qresource prefix="/">'
    (cd assets && find data ui -type f | LC_ALL=C sort | sed 's|.*|        <file>&</file>|')
    echo '    </qresource>'
    echo '</RCC>'
} >assets/assets.qrc

du -ab assets | sort -k2
