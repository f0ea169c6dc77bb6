#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them one after the other:
# the pattern engine's, the rename journal's reader, then the list files of the menu configuration, then
# the live update's reading of the release page, digest file and signature, then the context menu built from
# the files the handler reads, then the UTF-8 reader.
# Usage: BUILD=<build folder> tools/fuzz.sh [seconds per target, default 60] [extra libFuzzer flags...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
seconds=${1:-60}
shift || true
out="$build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKIVU_SANITIZE=ON -DKIVU_BENCH=OFF >/dev/null
cmake --build "$out" --target pattern_fuzz journal_fuzz listfiles_fuzz release_fuzz menu_fuzz utf8_fuzz -j "$(nproc)"

corpus="$out/corpus/pattern"
mkdir -p "$corpus"
# A few seeds: row index 0..3 (4 bytes), pattern, NUL, source name.
seed() { printf "$1" > "$corpus/$2"; }
seed '\x00\x00\x00\x00[Name][Ext]\x00report.txt' plain
seed '\x01\x00\x00\x00[Name]_[N:3:1][Ext]\x00a.txt' counter
seed '\x02\x00\x00\x00[Name(1,3)][Ext(1,4)]\x00photo.jpeg' pieces
seed '\x03\x00\x00\x00[Na[Ext]me][N:$$:$$]\x00readme' built
seed '\x00\x00\x00\x00[Name][Name(1,12)][Ext]\x00[Name(1,12)].txt' named
seed '\x05\x00\x00\x00[Name(-2147483648,5)][N:-5:-2147483648]\x00.cfg' numbers

journals="$out/corpus/journal"
mkdir -p "$journals"
printf 'KIVU rename journal 1\r\nF\tc:\\d\\\r\nS\ta.txt\t~kivu0.tmp\t132000000000000000\t33\r\nS\tb.txt\ta.txt\t0\t0\r\n' > "$journals/steps"
printf 'KIVU rename journal 1\r\nF\tc:\\d\\\r\nT\ta.txt\t5\t11\t12\t13\t14\r\nA\tb.txt\t13\t33\t3\r\n' > "$journals/changes"
printf 'KIVU rename journal 1\r\nF\tc:\\\r\nS\ta\tb\t5' > "$journals/cut"

lists="$out/corpus/listfiles"
mkdir -p "$lists"
printf 'NOTEPAD|c:\\windows\\notepad.exe %%d|c:\\windows\\\r\ncalc\r\n-|-|-\r\n' > "$lists/programs"
printf 'c:\\temp\r\n\r\n-\nd:\\x\rtail' > "$lists/folders"
printf 'Site|a|b\r\n|skipped\r\n\x1aafter' > "$lists/ftp"
printf 'a\0b\r\n\n\r' > "$lists/ends"

cd "$out"
"$out/bin/pattern_fuzz" "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
    -dict="$root/tests/fuzz/pattern.dict" -print_final_stats=1 "$@"
"$out/bin/journal_fuzz" "$journals" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
    -print_final_stats=1 "$@"
"$out/bin/listfiles_fuzz" "$lists" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
    -print_final_stats=1 "$@"

corpus="$out/corpus/release"
mkdir -p "$corpus"
seed '<html><A HREF="/pub/simtelnet/win95/desktop/kivu320.zip">x</A> /pub/simtelnet/win95/desktop/kivu320.zip.sha256' link
seed 'https://127.0.0.1:8443/' host
seed '0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef *kivu320.zip\r\n' digest
seed '\x30\x44\x02\x20AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\x02\x20BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB' signature
"$out/bin/release_fuzz" "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 "$@"

corpus="$out/corpus/menu"
mkdir -p "$corpus"
# Flags, id range, then status, language file and the three lists, split by 0x1E.
seed '\x07\x40111111111111111111111111\x1e[Language]\r\nCurrent=German\r\n[German]\r\n11=&Pfad\r\n[English]\r\n15=Folders\r\n16=Programs\r\n17=FTP\x1ec:\\work\r\n-\r\n-\r\nd:\\x\x1eTool|c:\\t.exe %%d|c:\\\r\n-|-|-\x1eSite|ftp.example.org' full
seed '\x00\x03\x1e[English]\n11=a\n12=b\n13=c\n14=d\x1e\x1e\x1e' narrow
"$out/bin/menu_fuzz" "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 "$@"

corpus="$out/corpus/utf8"
mkdir -p "$corpus"
seed 'Καλημέρα.txt 写真_旅行.jpg party\xf0\x9f\x8e\x89.txt' names
seed 'Gr\xfc\xdfe \xc0\x80 \xed\xa0\x80 \xf4\x90\x80\x80 \xe5\x86' invalid
"$out/bin/utf8_fuzz" "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 "$@"
