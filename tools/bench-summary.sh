#!/usr/bin/env bash
# Runs the benchmarks of a build folder and prints each figure beside its target.
set -euo pipefail
build=${1:?usage: bench-summary.sh BUILD_DIR}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# run BINARY FILTER: benchmark CSV rows (name,iterations,real_time,cpu_time,time_unit,...)
run() {
    "$build/bench/$1" --benchmark_filter="$2" --benchmark_min_time=0.5 \
        --benchmark_format=csv 2>/dev/null | grep '^"'
}

# figure LABEL ROWS NAME TARGET: one line of the table
figure() {
    local label=$1 rows=$2 name=$3 target=$4
    awk -F, -v n="\"$name\"" -v label="$label" -v target="$target" '
        $1 == n { printf "%10.3f %-3s  %-13s %s\n", $3, $5, target, label }' <<<"$rows"
}

core=$(run bench_core 'BM_(ComputeDistribution|BuildReport)/4$')
chart=$(run bench_chart 'RedrawLargest/875/473$')
gui=$(run bench_gui 'BM_ComputeReport')
ratio=$("$build/bench/bench_core" --benchmark_filter='BM_BoostHypergeometric/4$' \
    --benchmark_format=csv 2>/dev/null | awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "\"boost_over_velmar\"") c = i }
                                               NR > 1 && /^"/ { print $c }')

printf '%14s  %-13s %s\n' "measured" "target" "figure"
figure "distribution, s = 20000, a = b = c = d = 5000" "$core" "BM_ComputeDistribution/4" "under 300 us"
figure "report text, s = 20000 (10001 rows)" "$core" "BM_BuildReport/4" "-"
figure "chart redraw, 10001 bars, 875 x 473" "$chart" "RedrawLargest/875/473" "under 10 ms"
figure "\"Расчет\" to the shown report, s = 20000" "$gui" "BM_ComputeReport/real_time" "under 150 ms"
figure "\"Расчет\" to report and chart, s = 20000" "$gui" "BM_ComputeReportAndChart/real_time" "-"
printf '%10.0f x    %-13s %s\n' "$ratio" "-" "Boost.Math hypergeometric, same distribution: times slower"
