# Sourced by the end-to-end runs on a virtual display: a scratch folder for everything the program
# writes (removed on exit), so a run never touches the user's files, and the sanitizer's leak list.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MARVEK_HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run TMPDIR=$work
mkdir -p "$MARVEK_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
