#!/usr/bin/env bash
# The picture tour of the sample host: sets up (if needed), builds what the
# tour needs, and visits the Phone Book tab once in each of the eight languages
# under an Xvfb of its own: the list, the wizard page by page, the Properties
# sheet tab by tab, a rename and the delete confirmations. The pictures go to
# build/tour/<language>/, and build/tour/index.html shows the languages side
# by side, picture by picture.
#
# Run it when no test run uses the same build folder: it ends the build's Wine
# servers when it is done.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target phonebook_tab_tour phonebook-tab

tour_program="$build/tests/doubles/phonebook_tab/phonebook_tab_tour.exe"
out="$build/tour"
# tag=locale for each language, as resources/languages.txt lists them.
languages=$(awk '!/^#/ && NF { print $1 "=" $2 }' "$root/resources/languages.txt")

cleanup() {
    stop_wine
    stop_xvfb
}
trap cleanup EXIT
start_xvfb 141
# Wine's servers started on another display would draw elsewhere.
stop_wine
start_wine

failed=""
for pair in $languages; do
    tag="${pair%%=*}"
    locale="${pair#*=}"
    rm -rf "${out:?}/$tag"
    mkdir -p "$out/$tag"
    echo "tour.sh: $tag"
    if ! PHONEBK_WINE_DISPLAY=x11 PHONEBK_LOCALE="$locale.UTF-8" PHONEBK_DLLOVERRIDES='rasapi32=n,b' \
        PHONEBK_TOUR_FOLDER="..\\tour\\$tag" "$build/wine-run" "$tour_program" >"$out/$tag/tour.log" 2>&1; then
        echo "tour.sh: the $tag visit failed; see $out/$tag/tour.log" >&2
        failed="$failed $tag"
    fi
done

# One page: a row per picture, the languages side by side.
{
    echo '<!DOCTYPE html>'
    echo '<html><head><meta charset="utf-8"><title>Phone Book tab: the tour</title>'
    echo '<style>body{font-family:sans-serif} table{border-collapse:collapse} td{vertical-align:top;padding:4px}'
    echo 'img{width:380px;border:1px solid #ccc} h2{font-size:1em;margin:1.5em 0 .3em}</style></head><body>'
    echo "<h1>The Phone Book tab in $(wc -w <<<"$languages") languages</h1>"
    for picture in "$out"/en-US/*.png; do
        [ -e "$picture" ] || continue
        file="$(basename "$picture")"
        label="${file#tour-}"
        echo "<h2>${label%.png}</h2><table><tr>"
        for pair in $languages; do
            tag="${pair%%=*}"
            if [ -e "$out/$tag/$file" ]; then
                echo "<td>$tag<br><a href=\"$tag/$file\"><img src=\"$tag/$file\" alt=\"$tag ${label%.png}\"></a></td>"
            else
                echo "<td>$tag<br>(no picture)</td>"
            fi
        done
        echo '</tr></table>'
    done
    echo '</body></html>'
} >"$out/index.html"

echo "tour.sh: $(find "$out" -name '*.png' | wc -l) pictures; open $out/index.html"
if [ -n "$failed" ]; then
    echo "tour.sh: failed:$failed" >&2
    exit 1
fi
