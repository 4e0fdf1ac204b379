# Sourced by the CPU benchmarks.
# cpu_ns PID: CPU time of the whole process (every thread, living or ended) in
# nanoseconds, from its process CPU clock. /proc's user and system times count in
# 10 ms ticks: a program using well under a second of CPU a minute then moves its
# ratio by some percent a tick.
cpu_ns() { python3 -c 'import sys, time; p = int(sys.argv[1]); print(time.clock_gettime_ns(((~p) << 3) | 2))' "$1"; }
