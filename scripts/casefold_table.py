#!/usr/bin/env python3
# Prints the runs of scan/CaseFold.cpp: simple case folding (one code point to one)
# from the Unicode data of the Python that runs it.
import sys
pairs=[]
for c in range(0x110000):
    if 0xD800<=c<0xE000: continue
    ch=chr(c); f=ch.casefold()
    if len(f)==1:
        t=ord(f)
    else:
        l=ch.lower(); t=ord(l) if len(l)==1 else c
    if t!=c: pairs.append((c,t))
runs=[]
i=0
while i<len(pairs):
    c,t=pairs[i]; d=t-c
    best=(1,1)
    for stride in (1,2):
        n=1
        while i+n<len(pairs) and pairs[i+n][0]==c+n*stride and pairs[i+n][1]-pairs[i+n][0]==d: n+=1
        if n>best[0]: best=(n,stride)
    n,stride=best
    runs.append((c,n,d,stride)); i+=n
print(len(pairs),len(runs),file=sys.stderr)
out=[]
for c,n,d,s in runs:
    out.append("{0x%04X, %d, %d, %d}," % (c,n,d,s))
line="    "
lines=[]
for o in out:
    if len(line)+len(o)+1>100: lines.append(line.rstrip()); line="    "
    line+=o+" "
lines.append(line.rstrip())
print("\n".join(lines))
