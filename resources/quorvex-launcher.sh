#!/bin/sh
# Starts Quorvex from its program folder (lib/quorvex beside this bin folder).
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/quorvex/quorvex" "$@"
