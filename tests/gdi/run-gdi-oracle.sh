#!/usr/bin/env bash
# Evaluates the GDI reference corpus with gdi-check and compares the result
# with the reference's own check.py: every reliable case except halftone
# blits must be produced and must match.
#   run-gdi-oracle.sh GDI_CHECK ORACLE_DIR OUT_DIR
set -euo pipefail
gdi_check=$1 oracle=$2 out=$3
vectors=$oracle/vectors
if [[ ! -f $vectors/cases.txt ]]; then
  echo "GDI reference vectors not found at $vectors" >&2
  exit 1
fi
rm -rf "$out"
"$gdi_check" "$vectors/cases.txt" "$out"
result=$(python3 "$oracle/check.py" "$vectors" "$out" --blit rgb --missing-ok | tail -1)
echo "check.py: $result"
# Cases that must have been compared: all but the unreliable and halftone ones.
expected=$(python3 - "$vectors" <<'PY'
import sys, os
d = sys.argv[1]
bad = {l.split()[0] for l in open(os.path.join(d, "unreliable.txt")) if l.strip()}
n = 0
for line in open(os.path.join(d, "cases.txt")):
    w = line.split()
    if len(w) > 2 and w[0] in ("rgn", "blt") and w[1] not in bad and not (w[0] == "blt" and w[2] == "halftone"):
        n += 1
print(n)
PY
)
read -r passed _ failed _ <<<"$result"
if [[ $failed != 0 || $passed != "$expected" ]]; then
  echo "expected $expected passed and 0 failed" >&2
  exit 1
fi
