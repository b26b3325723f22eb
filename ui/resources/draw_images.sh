#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick (run by hand; the outputs are committed): the
# program's icon, the tray's attention icon and the About box's logo. One emblem for all three: a
# blue card with a gold chip and the waves of a card that is reached without contact.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
im=/usr/bin/convert
font_bold=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
font_regular=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The emblem on a 512 x 512 transparent square: card and chip filled with gradients through masks,
# the waves cut from three rings by a wedge.
$im -size 512x512 xc:black -fill white -draw 'roundrectangle 24,96 488,416 56,56' "$work/card-mask.png"
$im -size 512x512 gradient:'#3f95ec-#15458f' "$work/card-mask.png" -alpha off -compose CopyOpacity -composite \
  "$work/card.png"
$im -size 512x512 xc:black -fill white -draw 'roundrectangle 72,196 212,316 22,22' "$work/chip-mask.png"
$im -size 512x512 gradient:'#ffe39a-#d4950f' "$work/chip-mask.png" -alpha off -compose CopyOpacity -composite \
  "$work/chip.png"
$im -size 512x512 xc:black \
  -fill white -draw 'circle 226,256 226,80' -fill black -draw 'circle 226,256 226,104' \
  -fill white -draw 'circle 226,256 226,132' -fill black -draw 'circle 226,256 226,156' \
  -fill white -draw 'circle 226,256 226,184' -fill black -draw 'circle 226,256 226,208' "$work/rings.png"
$im -size 512x512 xc:black -fill white -draw 'polygon 226,256 560,-60 560,572' "$work/wedge.png"
$im "$work/rings.png" "$work/wedge.png" -compose Multiply -composite "$work/waves-mask.png"
$im -size 512x512 xc:white "$work/waves-mask.png" -alpha off -compose CopyOpacity -composite "$work/waves.png"
$im "$work/card.png" "$work/chip.png" -composite \
  -stroke '#9a6c0a' -strokewidth 7 -fill none \
  -draw 'line 72,256 128,256' -draw 'line 156,256 212,256' -draw 'line 142,196 142,238' \
  -draw 'line 142,274 142,316' -draw 'roundrectangle 128,238 156,274 6,6' \
  "$work/waves.png" -compose Over -composite "$work/emblem.png"

# Icons: every size drawn from the emblem; the attention icon adds an amber sign.
$im -size 512x512 xc:none -fill '#f29a0e' -stroke white -strokewidth 18 -draw 'circle 384,384 384,262' \
  -stroke none -fill white -draw 'roundrectangle 370,300 398,410 12,12' -draw 'circle 384,448 384,432' \
  "$work/sign.png"
$im "$work/emblem.png" "$work/sign.png" -composite "$work/attention.png"
for name in emblem attention; do
  sizes=()
  for size in 16 20 24 32 40 48 64 256; do
    $im "$work/$name.png" -filter Lanczos -resize ${size}x${size} -unsharp 0x0.6 "$work/$name-$size.png"
    sizes+=("$work/$name-$size.png")
  done
  $im "${sizes[@]}" "$work/$name.ico"
done
cp "$work/emblem.ico" "$here/lumapassv.ico"
cp "$work/attention.ico" "$root/service/ui/res/attention.ico"

# The About box's logo: the emblem beside the product's name, on white.
luma_width=$($im -font "$font_bold" -pointsize 60 label:luma -format %w info:)
$im -size 640x330 xc:white \
  \( "$work/emblem.png" -filter Lanczos -resize 200x200 \) -geometry +20+60 -composite \
  -font "$font_bold" -pointsize 60 -fill '#2f84e0' -annotate +240+158 'luma' \
  -fill '#15458f' -annotate +$((240 + luma_width))+158 '-Pass V' \
  -font "$font_regular" -pointsize 21 -fill '#5f6b78' -annotate +242+198 'Your certificates on a virtual smart card' \
  -fill '#d5dbe2' -draw 'rectangle 242,216 610,217' \
  -pointsize 16 -fill '#8a94a0' -annotate +242+244 'Signatures and decryption through your signing service' \
  -strip "$root/service/ui/res/about_logo.png"
