#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders Lumaveil's example videos into data/Samples/ (or into the directory
# given as the first argument) from ffmpeg's built-in picture and sound sources
# alone, so no outside media is needed and the results are reproducible.

set -eu

if ! command -v ffmpeg >/dev/null 2>&1; then
    echo "make-samples.sh: ffmpeg not found; install the Debian package 'ffmpeg'" \
         "(apt-get install ffmpeg)." >&2
    exit 1
fi

here=$(CDPATH='' cd -- "$(dirname -- "$0")" && pwd)
out=${1:-"$here/Samples"}
mkdir -p -- "$out"

# Every clip is 640x360 at 25 fps, 9 seconds long, with soft fades at both
# ends so that one clip blends into the next.
size=640x360
fps=25
secs=9
fadeout=$((secs - 1))
vfade="fade=t=in:d=1,fade=t=out:st=$fadeout:d=1"
afade="afade=t=in:d=1.5,afade=t=out:st=$((secs - 2)):d=2"

# Common flags: quiet, overwrite, reproducible output without stray metadata.
# The thread count is fixed because some encoders' output depends on it.
common="-hide_banner -nostdin -loglevel error -y"
exact="-map_metadata -1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -threads 2"

encode() {
    # encode NAME VIDEO-GRAPH AUDIO-GRAPH ENCODER-OPTIONS...
    name=$1 video=$2 audio=$3
    shift 3
    echo "  $name"
    # shellcheck disable=SC2086 # $common and $exact are deliberately split
    ffmpeg $common \
        -filter_complex "$video,$vfade,format=yuv420p[v]" \
        -filter_complex "$audio,${afade}[a]" \
        -map "[v]" -map "[a]" -t "$secs" $exact "$@" "$out/$name"
}

echo "Rendering example videos into $out"

# Mandelbrot Dive: a slow zoom into the spiral of the seahorse valley. The
# fractal is drawn at twice the size and shrunk for smooth edges; its smooth
# escape count is recoloured with a cosine palette (gold, teal and deep blue).
# Sound: a quiet A minor pad with a slow swell.
mandel_palette="lutrgb=r='val*(0.55+0.45*cos(2*PI*(3*val/255+0.00)))'"
mandel_palette="$mandel_palette:g='val*(0.55+0.45*cos(2*PI*(3*val/255+0.15)))'"
mandel_palette="$mandel_palette:b='val*(0.55+0.45*cos(2*PI*(3*val/255+0.30)))'"
encode "Mandelbrot Dive.mp4" \
    "mandelbrot=s=1280x720:r=$fps:maxiter=2000:start_x=-0.743269:start_y=-0.131257:start_scale=0.08:end_scale=0.0012:end_pts=$((secs * fps)):inner=black,
     format=gbrp,extractplanes=g,format=gbrp,$mandel_palette,
     scale=$size:flags=area" \
    "aevalsrc=s=44100:c=stereo:exprs=
       '0.045*(sin(2*PI*110*t)+0.7*sin(2*PI*164.81*t)+0.5*sin(2*PI*246.94*t)+0.45*sin(2*PI*261.63*t)+0.3*sin(2*PI*392*t))*(0.75+0.25*sin(2*PI*0.2*t))'|
       '0.045*(sin(2*PI*110.3*t)+0.7*sin(2*PI*165.1*t)+0.5*sin(2*PI*247.3*t)+0.45*sin(2*PI*262.0*t)+0.3*sin(2*PI*392.5*t))*(0.75+0.25*sin(2*PI*0.2*t+1))',
     aecho=0.8:0.6:180|310:0.25|0.15" \
    -c:v libx264 -preset medium -crf 30 -g 250 -pix_fmt yuv420p \
    -c:a aac -b:a 64k -movflags +faststart

# Aurora Drift: green and violet curtains of light swaying over a starry sky
# and a dark line of hills. The curtain is a small luminance field, scaled up
# and coloured by brightness; the sky layer is drawn once and reused.
# Sound: soft wind with two faint, slowly shimmering high tones.
aurora_curtain="st(0,X/W);
  st(1,H*(0.50+0.09*sin(5.0*ld(0)+0.35*T)+0.05*sin(11*ld(0)-0.5*T+1.3)));
  st(2,ld(1)-Y);
  st(4,0.55+0.25*sin(70*ld(0)+3*sin(2*ld(0)+0.3*T)+0.6*T)+0.2*sin(151*ld(0)-0.9*T+2*sin(3*ld(0)-0.2*T)));
  st(5,0.45+0.55*sin(2.3*ld(0)-0.25*T+0.8));
  st(3,if(gt(ld(2),0),exp(-ld(2)/(H*(0.08+0.3*ld(4)*ld(5)))),exp(-ld(2)*ld(2)/50)));
  255*min(1,1.35*ld(3)*ld(4)*ld(5))"
# Star hash and hill outline shared by all four channels of the sky layer.
aurora_sky="st(0,sin(X*12.9898+Y*78.233)*43758.5453);st(0,ld(0)-floor(ld(0)));
  st(1,H*(0.87+0.035*sin(X/70)+0.015*sin(X/23+1)))"
encode "Aurora Drift.ogg" \
    "nullsrc=s=320x180:r=$fps,format=gray,geq=lum='$aurora_curtain',
     scale=$size:flags=bicubic,format=gbrp,
     lutrgb=r='12+560*(val/255)*pow(1-val/255,3)+60*pow(val/255,4)'
           :g='14+235*pow(val/255,1.25)'
           :b='36+380*(val/255)*pow(1-val/255,2)+40*val/255',
     vignette=PI/5,format=gbrp[aurora];
     color=c=black:s=$size:r=$fps:d=0.04,format=rgba,
     geq=r='$aurora_sky;if(gt(Y,ld(1)-1),3,if(gt(ld(0),0.9975),255,0))'
        :g='$aurora_sky;if(gt(Y,ld(1)-1),5,if(gt(ld(0),0.9975),255,0))'
        :b='$aurora_sky;if(gt(Y,ld(1)-1),10,if(gt(ld(0),0.9975),255,0))'
        :a='$aurora_sky;255*if(gt(Y,ld(1)-1),min(1,Y-ld(1)+1),if(gt(ld(0),0.9975),0.35+260*(ld(0)-0.9975),0))',
     loop=loop=-1:size=1[sky];
     [aurora][sky]overlay=format=rgb" \
    "anoisesrc=r=48000:c=pink:seed=7:a=0.5,lowpass=f=500,highpass=f=80,
     volume='0.5+0.3*sin(2*PI*t/4.5)':eval=frame,aformat=channel_layouts=stereo[wind];
     aevalsrc=s=48000:c=stereo:exprs=
       '0.012*sin(2*PI*659.25*t)*(0.5+0.5*sin(2*PI*0.3*t))+0.008*sin(2*PI*987.77*t)*(0.5+0.5*sin(2*PI*0.23*t+1))'|
       '0.008*sin(2*PI*659.25*t)*(0.5+0.5*sin(2*PI*0.3*t+2))+0.012*sin(2*PI*987.77*t)*(0.5+0.5*sin(2*PI*0.23*t))'[tones];
     [wind][tones]amix=inputs=2:normalize=0" \
    -c:v libtheora -q:v 6 -g 250 \
    -c:a libvorbis -q:a 1

# Plasma Flow: the classic demo-scene plasma, a sum of drifting sine waves,
# with a sunset palette that slowly cycles through the pattern.
# Sound: a gently wavering G major chord.
plasma="st(0,X/W*9);st(1,Y/H*5);
  st(2,sin(ld(0)*0.9+0.45*T)+sin(ld(1)*1.1-0.3*T)+sin((ld(0)+ld(1))*0.6+0.25*T)
       +sin(hypot(ld(0)-4.5-2*sin(0.21*T),ld(1)-2.5-1.2*cos(0.17*T))*1.4-0.5*T));
  mod(127.5+31.8*ld(2)+10*T,256)"
encode "Plasma Flow.mkv" \
    "nullsrc=s=320x180:r=$fps,format=gray,geq=lum='$plasma',format=gbrp,
     lutrgb=r='255*(0.55+0.40*cos(2*PI*(2*val/255+0.95)))'
           :g='255*(0.45+0.40*cos(2*PI*(2*val/255+0.10)))'
           :b='255*(0.55+0.35*cos(2*PI*(2*val/255+0.35)))',
     scale=$size:flags=bicubic" \
    "aevalsrc=s=48000:c=stereo:exprs=
       '0.05*sin(2*PI*196*t+1.2*sin(2*PI*0.7*t))+0.03*sin(2*PI*293.66*t+0.9*sin(2*PI*0.5*t))+0.02*sin(2*PI*493.88*t+sin(2*PI*0.3*t))'|
       '0.05*sin(2*PI*196*t+1.2*sin(2*PI*0.6*t+1))+0.03*sin(2*PI*293.66*t+0.9*sin(2*PI*0.45*t+2))+0.02*sin(2*PI*493.88*t+sin(2*PI*0.35*t+1))',
     aecho=0.8:0.5:240|370:0.3|0.2" \
    -c:v libvpx-vp9 -deadline good -cpu-used 4 -row-mt 1 -crf 32 -b:v 0 -g 250 \
    -c:a libopus -b:a 64k

# Living Colours: Conway's Game of Life on a coarse grid, four generations a
# second, cross-faded, softened into glowing blobs and tinted by a slowly
# turning four-colour gradient.
# Sound: a slow music-box tune on a pentatonic scale, with a little echo.
musicbox="st(0,floor(t*2));st(1,mod(ld(0)*3,7));
  st(2,if(lt(ld(1),3),ld(1)*2,if(lt(ld(1),5),(ld(1)-3)*2+7,(ld(1)-5)*2+12)));
  st(3,t-ld(0)/2);st(4,523.25*pow(2,ld(2)/12));
  0.13*(1-exp(-300*ld(3)))*exp(-6*ld(3))*(sin(2*PI*ld(4)*t)+0.25*sin(4*PI*ld(4)*t))"
encode "Living Colours.mov" \
    "life=s=64x36:r=4:rule=B3/S23:ratio=0.3:seed=20240:mold=60:life_color=white:death_color=0x606060:mold_color=black,
     trim=start_frame=6,setpts=PTS-STARTPTS,format=gray,
     scale=$size:flags=neighbor,gblur=sigma=5,
     framerate=fps=$fps:interp_start=0:interp_end=255:scene=100,
     lut=y='255*pow(min(1,max(0,(val-40)/110)),1.5)',format=gbrp[cells];
     gradients=s=$size:r=$fps:n=4:c0=0xff6a88:c1=0x6a5cff:c2=0x2ee6c8:c3=0xffc75f:speed=0.006:seed=3,format=gbrp[tint];
     [cells][tint]blend=all_mode=multiply,split[sharp][soft];
     [soft]gblur=sigma=14[glow];
     [sharp][glow]blend=all_mode=screen" \
    "aevalsrc=s=44100:c=mono:exprs='$musicbox',
     aecho=0.8:0.7:250|410:0.35|0.2,aformat=channel_layouts=stereo" \
    -c:v libx264 -preset medium -crf 28 -g 250 -pix_fmt yuv420p \
    -c:a aac -b:a 64k -movflags +faststart

# Silk Ribbons: a slowly turning five-colour gradient in sunset tones, shaded
# with soft moving folds like draped fabric.
# Sound: the hush of distant waves rolling in.
folds="st(0,X/W);st(1,Y/H);
  128+85*sin(7*ld(0)+4*ld(1)+1.6*sin(3*ld(1)-2*ld(0)+0.45*T)+0.5*T)*(0.6+0.4*sin(2*ld(0)-3*ld(1)+0.2*T))"
encode "Silk Ribbons.avi" \
    "gradients=s=$size:r=$fps:n=5:c0=0x3a1c71:c1=0xd76d77:c2=0xffaf7b:c3=0x2bc0e4:c4=0x1d2b64:seed=11:speed=0.003,format=gbrp[colours];
     nullsrc=s=160x90:r=$fps,format=gray,geq=lum='$folds',
     scale=$size:flags=bicubic,format=gbrp[shade];
     [colours][shade]blend=all_mode=overlay" \
    "anoisesrc=r=44100:c=brown:seed=11:a=0.6[left];
     anoisesrc=r=44100:c=brown:seed=12:a=0.6[right];
     [left][right]join=inputs=2:channel_layout=stereo,
     lowpass=f=700,highpass=f=60,
     volume='0.1+0.3*pow(sin(PI*t/4.5),2)':eval=frame" \
    -c:v mpeg4 -q:v 4 -mbd rd -g 250 -bf 2 -vtag XVID \
    -c:a libmp3lame -b:a 64k

# Lava Lamp: five warm metaballs rising, sinking and merging in a dark violet
# glow. The field is computed small and thresholded after scaling up, which
# keeps the blob edges smooth.
# Sound: a low, warm hum that breathes slowly.
lava="st(0,X/H);st(1,Y/H);
  st(2,0.020/(pow(ld(0)-0.35-0.12*sin(0.31*T+0.5),2)+pow(ld(1)-0.5-0.45*sin(0.23*T+0.0),2)+0.001));
  st(2,ld(2)+0.014/(pow(ld(0)-0.72-0.14*sin(0.19*T+2.0),2)+pow(ld(1)-0.5-0.42*sin(0.29*T+2.1),2)+0.001));
  st(2,ld(2)+0.026/(pow(ld(0)-1.02-0.12*sin(0.27*T+4.0),2)+pow(ld(1)-0.5-0.40*sin(0.17*T+4.4),2)+0.001));
  st(2,ld(2)+0.012/(pow(ld(0)-1.32-0.14*sin(0.23*T+1.0),2)+pow(ld(1)-0.5-0.44*sin(0.33*T+5.3),2)+0.001));
  st(2,ld(2)+0.018/(pow(ld(0)-1.50-0.10*sin(0.29*T+3.0),2)+pow(ld(1)-0.5-0.42*sin(0.21*T+1.2),2)+0.001));
  255*ld(2)/(1+ld(2))"
# Level (0), blob mask with a smooth edge (1) and depth inside a blob (2).
lava_mask="st(0,val/255);st(1,min(1,max(0,(ld(0)-0.47)/0.06)));st(1,ld(1)*ld(1)*(3-2*ld(1)));
  st(2,min(1,max(0,(ld(0)-0.5)*2.2)))"
encode "Lava Lamp.wmv" \
    "nullsrc=s=160x90:r=$fps,format=gray,geq=lum='$lava',
     scale=$size:flags=bicubic,format=gbrp,
     lutrgb=r='$lava_mask;(1-ld(1))*(25+260*ld(0)*ld(0))+ld(1)*(235+20*ld(2))'
           :g='$lava_mask;(1-ld(1))*(6+50*ld(0)*ld(0))+ld(1)*(55+150*ld(2))'
           :b='$lava_mask;(1-ld(1))*(45+180*ld(0)*ld(0))+ld(1)*(55+50*ld(2))',
     vignette=PI/4" \
    "aevalsrc=s=44100:c=stereo:exprs=
       '(0.04*sin(2*PI*98*t)+0.028*sin(2*PI*146.83*t)+0.016*sin(2*PI*196.4*t))*(0.7+0.3*sin(2*PI*0.15*t))'|
       '(0.04*sin(2*PI*98.2*t)+0.028*sin(2*PI*147.0*t)+0.016*sin(2*PI*196*t))*(0.7+0.3*sin(2*PI*0.15*t+1.5))',
     lowpass=f=1200" \
    -c:v wmv2 -q:v 4 -g 250 \
    -c:a wmav2 -b:a 64k

echo "Done."
