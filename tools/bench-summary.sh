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

core=$(run bench_core 'BM_(ComputeDistribution|BuildReport)/4$|BM_TableStatistics/[01]$|BM_RiskMeasures/2$|BM_LargeTable$')
unconditional=$(run bench_unconditional 'BM_UnconditionalTests/[01]$')
power=$(run bench_power 'BM_Power1000/0$|BM_SampleSize/2$')
chart=$(run bench_chart 'RedrawLargest/875/473$')
gui=$(run bench_gui 'BM_ComputeReport')
ratio=$("$build/bench/bench_core" --benchmark_filter='BM_BoostHypergeometric/4$' \
    --benchmark_format=csv 2>/dev/null | awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "\"boost_over_velmar\"") c = i }
                                               NR > 1 && /^"/ { print $c }')

# velmar-report --batch on 100000 tables with cells 0..60 (the same file every
# run): the best wall time of three, in seconds, and its share of the target.
tables=$(mktemp)
trap 'rm -f "$tables"' EXIT
awk 'BEGIN { srand(1); for (i = 0; i < 100000; i++)
    printf "%d %d %d %d\n", int(rand() * 61), int(rand() * 61), int(rand() * 61), int(rand() * 61) }' >"$tables"
batch=$(for i in 1 2 3; do
    start=$(date +%s.%N)
    "$build/cli/velmar-report" --batch <"$tables" >/dev/null || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
done | sort -g | head -n 1)

# The peak memory of velmar-report --batch for one table of total 23,000,000,
# in MB: the most any run of the batch for it holds.
memory=$(printf '1000000 2000000 3000000 17000000\n' | python3 -c '
import resource, subprocess, sys
subprocess.run([sys.argv[1], "--batch"], stdin=sys.stdin, stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024)' "$build/cli/velmar-report")

printf '%14s  %-13s %s\n' "measured" "target" "figure"
figure "distribution, s = 20000, a = b = c = d = 5000" "$core" "BM_ComputeDistribution/4" "under 300 us"
figure "report text, s = 20000 (10001 rows)" "$core" "BM_BuildReport/4" "-"
figure "odds ratio, interval, p-values, 5000 5000 5000 5000" "$core" "BM_TableStatistics/0" "under 20 ms"
figure "odds ratio, interval, p-values, 9000 1000 3000 7000" "$core" "BM_TableStatistics/1" "under 20 ms"
figure "risk difference and ratio with intervals, 23 41 7 55" "$core" "BM_RiskMeasures/2" "about 1 us"
printf '%10.3f s    %-13s %s (%.0f %% of the target)\n' "$batch" "under 1.5 s" \
    "velmar-report --batch, 100000 tables, cells 0..60" "$(awk -v b="$batch" 'BEGIN { print b / 1.5 * 100 }')"
figure "one table of total 23,000,000, every batch column" "$core" "BM_LargeTable" "under 20 ms"
printf '%10.1f MB   %-13s %s\n' "$memory" "under 50 MB" "velmar-report --batch on that table, peak memory"
figure "Boschloo and Barnard, six p-values, 20 30 25 15" "$unconditional" "BM_UnconditionalTests/0" "under 5 ms"
figure "Boschloo and Barnard, six p-values, m = n = 500" "$unconditional" "BM_UnconditionalTests/1" "under 1 s"
figure "exact power, N1 = N2 = 1000, |ad - bc| rule" "$power" "BM_Power1000/0" "under 1 s"
figure "sample size, 0.2 against 0.5 at 80 %, central rule" "$power" "BM_SampleSize/2" "under 1 s"
figure "chart redraw, 10001 bars, 875 x 473" "$chart" "RedrawLargest/875/473" "under 10 ms"
figure "\"Расчет\" to the shown report, s = 20000" "$gui" "BM_ComputeReport/real_time" "under 150 ms"
figure "\"Расчет\" to report and chart, s = 20000" "$gui" "BM_ComputeReportAndChart/real_time" "-"
printf '%10.0f x    %-13s %s\n' "$ratio" "-" "Boost.Math hypergeometric, same distribution: times slower"
