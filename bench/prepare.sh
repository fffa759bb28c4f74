# Sourced by the bench scripts: builds the release preset (the build that is
# shipped) and makes (once) the survey-like drawing of $size_mb megabytes;
# sets bin, out, drawing and bytes, with the drawing in the page cache.
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=build/release/bin
no_fsync_library=$PWD/build/release/bench/libkelvrin_no_fsync.so
out=bench/out
mkdir -p "$out"
drawing="$out/drawing_${size_mb}mb.dxf"
[[ -f $drawing ]] || "$bin/kelvrin_make_drawing" "$drawing" "$size_mb"
bytes=$(stat -c %s "$drawing")
cat "$drawing" >/dev/null
