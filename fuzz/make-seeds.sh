#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into <folder>/<target>/: small
# valid option texts, preset files, settings files, version files and media
# files made with the ffmpeg tool. Nothing here is committed; the fuzz script
# runs this.
set -euo pipefail
out=${1:?usage: make-seeds.sh <folder>}
mkdir -p "$out"/{fuzz_option_text,fuzz_preset_file,fuzz_settings_ini,fuzz_update_file,fuzz_probe_file,fuzz_list_file}

# fuzz_option_text takes its two mode flags from the last bytes: "\x01\x01"
# reads the rest as an option text with stream options.
n=0
while IFS= read -r text; do
    n=$((n + 1))
    printf '%b\x01\x01' "$text" >"$out/fuzz_option_text/text$n"
done <<'TEXTS'
vcodec=mpeg4\nb=800k\nr=25\ns=320x240\naspect=4:3
acodec=libmp3lame\nab=128k\nar=44100\nac=2\nvol=256
target=pal-vcd
an\nvn=0\ncopyts\nshortest=1
ss=00:00:01.500\nt=10\nfs=1000000
vtag=DX50\natag=0x55\nmetadata=title=a\ntimestamp=now
croptop=8\ncropbottom=8\npadleft=4\npadcolor=000000
vf=hflip,vflip\nintra_matrix=8,16,19,22,26,27,29,34\npix_fmt=yuv420p
map=0:0\nmap=0:1\nmap_meta_data=0:0\nstreamid=0:256
TEXTS
# name and value pairs: the flags 0 select SetOption; sizes come from the bytes
printf 'vcodec\\mpeg4\\b\\1000k\\r\\29.97\\s\\640x480\x00\x00' >"$out/fuzz_option_text/pairs1"

printf 'coder=1\nflags=+loop\ncmp=+chroma\nme_range=16\ng=250\nqmin=10\nqmax=51\n' >"$out/fuzz_preset_file/x264-like"
printf 'vcodec=mpeg4\r\nb=500k\r\nbt=100k\r\n' >"$out/fuzz_preset_file/crlf"
printf 'acodec=libmp3lame\nab=96k\n' >"$out/fuzz_preset_file/audio"

printf '[skin]\nSetSkin=3\n[OutPath]\nOutPath=/home/user/Videos\n[SnapShot]\nDir=/home/user/Pictures\nPicture=jpg\n' \
    >"$out/fuzz_settings_ini/full"
printf '[SKIN]\r\n setskin = 1 \r\n; comment\r\n[OutPath]\r\nOutPath=\r\n' >"$out/fuzz_settings_ini/crlf"
printf '[OutPath]\nOutPath=/a\n[OutPath]\nOutPath=/b\n[other]\nkey=value' >"$out/fuzz_settings_ini/duplicates"

# kept conversion lists: one row with records, defaults only, a newer version
printf '{"version": 1, "rows": [{"SourceFile": "/v/a.mp4", "Status": "完成", "Progress": 100, "FormatNumber": 12,
 "Input": {"FileName": {"hex": "2fff"}, "StartTime": -9223372036854775808},
 "Output": {"VideoCodec": "mpeg4", "MuxDelay": 0.7, "Info": {"TimeStamp": 46000.25, "Title": "标题"}}}]}\n' \
    >"$out/fuzz_list_file/row"
printf '{"version": 1, "rows": [{}, {"Extra": [1, {"a": null}]}]}' >"$out/fuzz_list_file/defaults"
printf '{"version": 2, "rows": []}' >"$out/fuzz_list_file/newer"

# version files as the update server gives them, and answers that are not one
update=$out/fuzz_update_file
printf '[version]\r\nnew=1.70\r\ndate=2026-11-30\r\nlinks1=https://downloads.example.org/quorvex-1.70.zip\r\nsize=12.5 MB\r\n' \
    >"$update/newer"
printf '[version]\nnew=1.63\ndate=2026-01-01\nlinks1=http://example.org/q.zip\nsize=1 MB\n' >"$update/same"
printf '\xEF\xBB\xBF; comment\n[Version]\n NEW = 1.62 \nLinks1=file:///etc/passwd\n[other]\nnew=9\n' >"$update/odd-link"
printf '[version]\nnew=\ndate=\nlinks1=\nsize=\n' >"$update/empty-values"
printf '[version\nnew=1.70\n[ version ]\nlinks1=HTTP://x/new=2\nnew=2.0' >"$update/unclosed"
printf '<html><body><h1>404 Not Found</h1></body></html>\n' >"$update/error-page"

# lists that name other files, the probe's own scratch file (input.avi) among
# them: they must be refused, not followed
printf 'ffconcat version 1.0\nfile input.avi\n' >"$out/fuzz_probe_file/self-list"
printf '#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\ninput.avi\n#EXT-X-ENDLIST\n' >"$out/fuzz_probe_file/playlist"

media() {  # media <name> <ffmpeg arguments...>: a short, small clip
    local name=$1; shift
    ffmpeg -nostdin -y -v error "$@" "$out/fuzz_probe_file/$name"
}
video=(-f lavfi -i testsrc=size=64x48:rate=10:duration=0.3)
audio=(-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.3)
media clip.mp4 "${video[@]}" "${audio[@]}" -c:v libx264 -preset ultrafast -c:a aac -b:a 16k
media clip.avi "${video[@]}" "${audio[@]}" -c:v mpeg4 -c:a libmp3lame -b:a 16k
media clip.mkv "${video[@]}" -c:v mpeg4
media clip.flv "${video[@]}" "${audio[@]}" -c:v flv1 -c:a libmp3lame -ar 11025
media clip.ts "${video[@]}" -c:v mpeg2video
media clip.wav "${audio[@]}"
media clip.mp3 "${audio[@]}" -b:a 16k
media clip.3gp "${video[@]}" -s 176x144 -c:v h263
echo "seeds in $out"
