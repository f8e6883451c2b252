#!/usr/bin/env python3
"""Open-to-first-image as whole processes, in alternating runs.

    bench/open_pairs.py BUILD_DIR [--runs N] [--size WxH] [--info] [SCENE] [-- OTHER_COMMAND...]

Runs `quorvel --snapshot` (with --info: `quorvel --info`, and the peer reads
only) on SCENE (default tiles_1m.v2.wrl, generated into
/tmp/benchscenes when missing) alternately with the peer reader-renderer
(BUILD_DIR/bench/coin_read_render, when it was built) and with OTHER_COMMAND
(for example an older quorvel; '{scene}' and '{size}' are replaced), and
prints for each: wall-clock median, min and max, user+system time, peak
memory, and the ratio of the medians to quorvel's. The load average is
printed before and after: the figures are only comparable within one run.
"""
import os
import statistics
import sys
import time


def run_once(cmd):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.dup2(null, 2)
        try:
            os.execvp(cmd[0], cmd)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, os.waitstatus_to_exitcode(status)


def machine():
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    build = argv[1]
    runs, size, scene, other, info = 11, "800x600", None, None, False
    args = argv[2:]
    if "--" in args:
        other = args[args.index("--") + 1:]
        args = args[:args.index("--")]
    i = 0
    while i < len(args):
        if args[i] == "--runs":
            runs = int(args[i + 1])
            i += 1
        elif args[i] == "--info":
            info = True
        elif args[i] == "--size":
            size = args[i + 1]
            i += 1
        else:
            scene = args[i]
        i += 1
    if scene is None:
        scene = os.path.join(os.environ.get("QV_BENCH_DIR", "/tmp/benchscenes"), "tiles_1m.v2.wrl")
        if not os.path.exists(scene):
            gen = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "bench", "gen_scenes.py")
            os.system("python3 '%s' --out %s --only tiles_1m >/dev/null" % (gen, os.path.dirname(scene)))
    w, h = size.split("x")
    out = "/tmp/open_pairs_%d.bmp" % os.getpid()
    if info:
        commands = [("quorvel", [os.path.join(build, "quorvel"), "--info", scene])]
    else:
        commands = [("quorvel", [os.path.join(build, "quorvel"), "--snapshot", out, "--size", size, scene])]
    peer = os.path.join(build, "bench", "coin_read_render")
    if os.path.exists(peer):
        commands.append(("coin", [peer, "--size", size] + (["--read-only"] if info else []) + [scene]))
    if other:
        commands.append(("other", [a.replace("{scene}", scene).replace("{size}", size) for a in other]))

    print("machine: %s, %d cores" % (machine(), os.cpu_count()))
    print("scene %s %s, %d alternating runs; load %s" % (scene, "--info" if info else "at " + size, runs,
                                                         open("/proc/loadavg").read().split()[:3]))
    results = {name: [] for name, _ in commands}
    for _ in range(runs):
        for name, cmd in commands:
            results[name].append(run_once(cmd))
    base = statistics.median(r[0] for r in results["quorvel"])
    for name, rs in results.items():
        wall = [r[0] for r in rs]
        cpu = [r[1] for r in rs]
        med = statistics.median(wall)
        print("%-8s wall median %.3f s (min %.3f, max %.3f, max/median %.2f)  cpu median %.3f s  peak %.0f MB  "
              "exit %s  quorvel/this %.2f" % (name, med, min(wall), max(wall), max(wall) / med, statistics.median(cpu),
                                              max(r[2] for r in rs), sorted(set(r[3] for r in rs)), base / med))
    print("load after %s" % open("/proc/loadavg").read().split()[:3])
    if os.path.exists(out):
        os.unlink(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
