# Sourced by the bench scripts: builds the default preset and makes (once)
# the survey-like drawing of $size_mb megabytes; sets bin, out, drawing and
# bytes, with the drawing in the page cache.
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
bin=build/default/bin
out=bench/out
mkdir -p "$out"
drawing="$out/drawing_${size_mb}mb.dxf"
[[ -f $drawing ]] || "$bin/kelvrin_make_drawing" "$drawing" "$size_mb"
bytes=$(stat -c %s "$drawing")
cat "$drawing" >/dev/null
