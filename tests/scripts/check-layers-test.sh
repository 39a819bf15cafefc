#!/usr/bin/env bash
# scripts/check-layers.sh on small trees: each row writes one file with one
# #include and says whether the check must pass or fail on it; then the
# repository's own tree must pass.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${QUORVEX_SOURCE_DIR:-$(cd "$here/../.." && pwd)}
check=$src/scripts/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expected | file | include line
cases='
fail|media/Probe.cpp|#include <QString>
fail|engine/Run.cpp|#include <QtCore/QObject>
pass|engine/ui/PreviewWindow.cpp|#include <QWidget>
pass|tests/app/ui/WindowTest.cpp|#include <QTest>
fail|tests/app/ListTest.cpp|#include <QTest>
pass|tools/scenes.cpp|#include <QApplication>
fail|app/Player.cpp|#include <SDL2/SDL.h>
fail|engine/Audio.cpp|#include "SDL.h"
pass|player/Display.cpp|#include <SDL2/SDL.h>
fail|formats/Profiles.cpp|#include <libavcodec/avcodec.h>
fail|formats/ui/Chooser.cpp|#include <libavutil/pixdesc.h>
pass|engine/Codec.cpp|#include <libavcodec/avcodec.h>
fail|media/Probe.cpp|#include "engine/TCustomFFmpeg.h"
fail|engine/Run.cpp|#include "player/TFFPlayer.h"
fail|engine/Run.cpp|#include "formats/FormatCatalog.h"
fail|formats/Catalog.cpp|#include "media/MediaText.h"
fail|player/Read.cpp|#include "app/ConversionList.h"
fail|app/List.cpp|#include "app/ui/MainWindow.h"
fail|app/List.cpp|#include "cli/ConvertCommands.h"
fail|engine/ui/Preview.cpp|#include "app/ui/MainWindow.h"
fail|media/Probe.cpp|#include "tests/support/TestMedia.h"
fail|tests/engine/RunTest.cpp|#include "app/ConversionList.h"
fail|player/ui/Panel.cpp|#include "../../app/ConversionList.h"
pass|app/ui/MainWindow.cpp|#include "engine/ui/PreviewWindow.h"
pass|app/List.cpp|#include "player/TFFPlayer.h"
pass|player/Read.cpp|#include "engine/TCustomFFmpeg.h"
pass|engine/Run.cpp|#include "media/MediaText.h"
pass|cli/Convert.cpp|#include "app/ui/MainWindow.h"
pass|tests/robustness/FaultTest.cpp|#include "app/ConversionList.h"
pass|tests/app/ui/ListTest.cpp|#include "../AppFakes.h"
'
failures=0
while IFS='|' read -r expected file include; do
    [[ -z $expected ]] && continue
    tree=$work/tree
    rm -rf "$tree"
    mkdir -p "$tree/$(dirname "$file")"
    printf '// a file of the fixture\n%s\nint x;\n' "$include" >"$tree/$file"
    if out=$(bash "$check" "$tree" 2>&1); then got=pass; else got=fail; fi
    if [[ $got != "$expected" ]]; then
        echo "FAIL: $file with '$include': expected $expected, got $got"
        echo "$out"
        failures=$((failures + 1))
    elif [[ $got == fail && $out != *"$file:2:"* ]]; then
        echo "FAIL: $file with '$include': the report does not name $file:2"
        echo "$out"
        failures=$((failures + 1))
    fi
done <<<"$cases"

if ! out=$(bash "$check" "$src" 2>&1); then
    echo "FAIL: the repository breaks its layering:"
    echo "$out"
    failures=$((failures + 1))
fi
if [[ $failures -gt 0 ]]; then
    exit 1
fi
echo "check-layers: all rows as expected"
