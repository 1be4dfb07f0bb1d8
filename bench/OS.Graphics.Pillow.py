#!/usr/bin/python3
# Times Pillow decoding the PNG that os_graphics_bench writes, for a side-by-side view:
#   ZEPHSE_BENCH_PNG=/tmp/bench.png build/bench/os_graphics_bench --benchmark_filter=Png
#   bench/OS.Graphics.Pillow.py /tmp/bench.png
import sys, time
from PIL import Image

path = sys.argv[1] if len(sys.argv) > 1 else "/tmp/bench.png"
runs = 20
start = time.perf_counter()
for _ in range(runs):
    with Image.open(path) as im:
        im.convert("RGBA").tobytes()
print("Pillow PNG decode: %.1f ms" % ((time.perf_counter() - start) * 1000 / runs))
