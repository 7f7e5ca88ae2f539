#!/bin/bash
set -e
W=419; H=259
X0=14; Y0=14; X1=404; Y1=244   # outer edge of the track
TW=60                           # 4 lanes of 15 px
rr() { # inset -> roundrectangle args
  local i=$1; local h=$(( (Y1-Y0) ))
  echo "roundrectangle $((X0+i)),$((Y0+i)) $((X1-i)),$((Y1-i)) $(( h/2 - i )),$(( h/2 - i ))"
}
args=()
# track surface
args+=(-fill '#3b4049' -stroke '#f4f4f4' -strokewidth 3 -draw "$(rr 0)")
# infield
args+=(-fill '#8fb573' -stroke '#f4f4f4' -strokewidth 3 -draw "$(rr $TW)")
# copper braids and slots at lane centres
for c in 7 22 37 52; do
  args+=(-fill none -stroke '#a7825a' -strokewidth 5 -draw "$(rr $c)")
  args+=(-fill none -stroke '#3b4049' -strokewidth 3 -draw "$(rr $c)")
  args+=(-fill none -stroke '#101215' -strokewidth 1.5 -draw "$(rr $c)")
done
# chequered start/finish strip across the bottom straight
SX=292; SQ=5
for col in 0 1 2; do
  for row in $(seq 0 11); do
    x=$((SX+col*SQ)); y=$((Y1-TW+row*SQ))
    if (( (col+row)%2 == 0 )); then f='#111111'; else f='#fafafa'; fi
    args+=(-stroke none -fill "$f" -draw "rectangle $x,$y $((x+SQ-1)),$((y+SQ-1))")
  done
done
# lane colour marks just before the line
i=0
for col in '#d33a2c' '#2f6fd0' '#f2c230' '#3aa655'; do
  y=$((Y1-TW+ i*15 + 5))
  args+=(-stroke none -fill "$col" -draw "rectangle $((SX-9)),$y $((SX-4)),$((y+4))")
  i=$((i+1))
done
convert -size ${W}x${H} gradient:'#eef2f6'-'#c9d3de' \
  "${args[@]}" \
  -font DejaVu-Sans-Bold-Oblique -pointsize 44 -gravity center \
  -fill '#2b4a1f' -stroke none -annotate +2+2 'Kobalap' \
  -fill '#800000' -annotate +0+0 'Kobalap' \
  -strip -sampling-factor 4:2:0 -quality 88 "$1"
