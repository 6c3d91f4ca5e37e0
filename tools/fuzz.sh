#!/usr/bin/env bash
# Native libFuzzer runs of the header, date and message text logic.
#   bounded: about 20 s per target (part of tools/test.sh)
#   long [seconds]: each target for longer (default 600 s)
# Builds with plain clang++ into build/fuzz; crashes land in build/fuzz/findings.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/build/fuzz
mode=${1:-bounded}
case "$mode" in
bounded) seconds=20 ;;
long) seconds=${2:-600} ;;
*) echo "usage: $0 bounded|long [seconds]" >&2; exit 2 ;;
esac

mkdir -p "$out/findings"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$top")
build() {  # name sources...
  local name=$1; shift
  clang++ "${flags[@]}" "$@" -o "$out/$name"
}
build header_fuzz "$top/fuzz/HeaderFuzz.cpp" "$top/fuzz/AnsiCodePageModel.cpp" "$top/pop3/HeaderParse.cpp" \
  "$top/pop3/Charset.cpp" "$top/pop3/Iso2022Jp.cpp"
build date_fuzz "$top/fuzz/DateFuzz.cpp" "$top/viewer/MailDate.cpp"
build message_fuzz "$top/fuzz/MessageTextFuzz.cpp" "$top/fuzz/AnsiCodePageModel.cpp" "$top/pop3/MessageText.cpp" \
  "$top/pop3/MimeHeader.cpp" "$top/pop3/TransferEncoding.cpp" "$top/pop3/HtmlText.cpp" "$top/pop3/TextToUtf8.cpp" \
  "$top/pop3/HeaderParse.cpp" "$top/pop3/Charset.cpp" "$top/pop3/Iso2022Jp.cpp"

status=0
for target in header date message; do
  corpus=$out/corpus/$target
  mkdir -p "$corpus"
  log=$out/$target.log
  max_len=1024
  [ "$target" = message ] && max_len=4096  # room for a multipart message with a few parts
  echo "fuzz: ${target}_fuzz for ${seconds}s"
  if ! "$out/${target}_fuzz" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
      -artifact_prefix="$out/findings/$target-" "$corpus" "$top/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "fuzz: ${target}_fuzz found a fault; see $log" >&2
    tail -40 "$log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/fuzz: $target /" || true
done
exit $status
