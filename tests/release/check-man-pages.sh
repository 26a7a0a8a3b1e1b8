#!/bin/sh
# A manual page must name every option its program's --help lists, so that the two cannot drift
# apart. Usage: check-man-pages.sh MANDIR PROGRAM...
set -u
mandir=$1
shift
status=0
for program in "$@"; do
    name=$(basename "$program")
    page=$mandir/$name.1
    if [ ! -f "$page" ]; then
        echo "$name: no manual page $page"
        status=1
        continue
    fi
    if ! help=$("$program" --help); then
        echo "$name: --help failed"
        status=1
        continue
    fi
    # roff spells a dash \- ; compare the plain text.
    text=$(sed 's/\\-/-/g' "$page")
    options=$(printf '%s\n' "$help" | grep -oE '(^|[][ |(])--?[A-Za-z][A-Za-z0-9-]*' |
        sed 's/^[^-]*//' | sort -u)
    if [ -z "$options" ]; then
        echo "$name: --help lists no option"
        status=1
    fi
    count=0
    for option in $options; do
        count=$((count + 1))
        if ! printf '%s\n' "$text" | grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)"; then
            echo "$name: $option is in --help but not in $page"
            status=1
        fi
    done
    echo "$name: $count options of --help checked against $page"
done
exit $status
