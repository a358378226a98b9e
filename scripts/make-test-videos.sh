#!/usr/bin/env bash
# Writes the small video files the video source tests play into the folder given as the only argument.
# Every clip is tiny (low resolution except the 720p one, a few seconds, solid colours) so the build stays fast.
set -euo pipefail
out=$1
mkdir -p "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# Solid colours survive every codec nearly unchanged, so the tests can tell picture from black band.
solid() { echo "color=c=0x3070C0:s=$1:r=10:d=$2"; }

# 4:3 and 16:9 pictures for the fit rule.
ff -f lavfi -i "$(solid 320x240 2)" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p "$out/clip-4x3.avi"
# The 16:9 clip carries light noise that changes every frame, so that each of its frames is a new picture to
# decode (its time per frame is measured).
ff -f lavfi -i "$(solid 1280x720 2)" -vf "noise=c0s=10:allf=t" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -crf 32 \
  -movflags +faststart "$out/clip-16x9.mp4"

# Five seconds at 10 frames per second. Frame n shows a white bar from the left edge, (n + 1) * 3 pixels wide,
# on black: its length reads back to within a pixel or two whatever the codec and the colour range conversion.
ff -f lavfi -i "color=c=black:s=160x120:r=10:d=5" \
  -vf "format=yuv420p,geq=lum='if(lt(X,(N+1)*3),235,16)':cb=128:cr=128,format=yuvj420p" \
  -c:v mjpeg -q:v 2 "$out/counter.avi"

# Sound only.
ff -f lavfi -i "sine=frequency=440:duration=1" -c:a pcm_s16le "$out/audio-only.wav"

# The formats a user is likely to have, one second each.
pattern="testsrc=s=160x120:r=10:d=1"
ff -f lavfi -i "$pattern" -c:v rawvideo -pix_fmt bgr24 "$out/raw-bgr24.avi"
ff -f lavfi -i "$pattern" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p "$out/mjpeg.avi"
ff -f lavfi -i "$pattern" -c:v mpeg4 -vtag XVID -q:v 4 "$out/mpeg4-part2.avi"
ff -f lavfi -i "$pattern" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -movflags +faststart "$out/h264.mp4"

# Broken and wrong files.
size=$(stat -c %s "$out/counter.avi")
head -c $((size / 2)) "$out/counter.avi" > "$out/truncated.avi"
printf 'This is a text file, not a video.\n' > "$out/text-renamed.avi"

# One frame only: the file ends right after its first picture and loops at every frame.
ff -f lavfi -i "$(solid 320x240 0.1)" -frames:v 1 -c:v mjpeg -q:v 3 -pix_fmt yuvj420p "$out/one-frame.avi"
# Frames wider than any video the camera plays.
ff -f lavfi -i "color=c=gray:s=4112x16:r=10:d=0.2" -c:v mjpeg -q:v 8 -pix_fmt yuvj420p "$out/too-wide.avi"
