#!/bin/sh
# The collection as a reviewer of collections holds it: ansible-lint's production profile over
# the whole collection (lint), pycodestyle and pylint over its plugins (python), and the modules'
# unit tests with a stand-in halvard (unit). The collection is linked into a scratch collections
# path, as ansible-test lays it out; nothing is written into the source tree.
# Usage: collection_checks.sh SOURCE_DIR lint|python|unit
set -u
src=$1
work=$(mktemp -d /tmp/halvard-collection.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/ansible_collections/torvi" "$work/home"
ln -s "$src/contrib/ansible" "$work/ansible_collections/torvi/halvard"
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" ANSIBLE_HOME="$work/home/.ansible"
export ANSIBLE_COLLECTIONS_PATH="$work" PYTHONDONTWRITEBYTECODE=1 NO_COLOR=1
cd "$work/ansible_collections/torvi/halvard" || exit 1
case $2 in
lint) ansible-lint --offline --profile production --nocolor ;;
python)
    pycodestyle --max-line-length 160 plugins/ tests/ || exit 1
    PYTHONPATH="$work" pylint --rcfile .pylintrc plugins/
    ;;
unit) /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/unit ;;
*)
    echo "usage: collection_checks.sh SOURCE_DIR lint|python|unit"
    exit 2
    ;;
esac
