#!/usr/bin/env bash
# A backtest cut into slices, run side by side through GNU parallel and
# merged, gives the whole run's report and table byte for byte.
#   backtest_slices.sh VEXEL-BACKTEST DRAWS.txt
set -euo pipefail
tool=$1
draws=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$tool" "$draws" --last 30 --csv "$dir/whole.csv" >"$dir/whole.txt"
total=$(awk -F'\t' '$1 == "# history" { print $2 }' "$dir/whole.txt")
first=$((total - 29))

# Slices of 7 draws, the last one shorter, each on one thread.
for ((from = first; from <= total; from += 7)); do
    to=$((from + 6 > total ? total : from + 6))
    echo "$from-$to"
done | parallel --will-cite -j 2 "$tool" "$draws" --threads 1 --cuts {} '>' "$dir/slice-{}.txt"

# Any order of the slices will do.
slices=$(ls -r "$dir"/slice-*.txt)
# shellcheck disable=SC2086
"$tool" --merge $slices --csv "$dir/merged.csv" >"$dir/merged.txt"
cmp "$dir/whole.txt" "$dir/merged.txt"
cmp "$dir/whole.csv" "$dir/merged.csv"

# A slice given twice would count its draws twice: refused.
# shellcheck disable=SC2086
if "$tool" --merge $slices "$dir/slice-$first-$((first + 6)).txt" >/dev/null 2>&1; then
    echo "overlapping slices were merged" >&2
    exit 1
fi
