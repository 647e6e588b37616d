# Sourced by the scripts: install_missing PACKAGE:PROBE ... installs, with
# apt-get, each Debian package whose probe fails. A probe is a command name or
# an absolute path of a file. Without root rights (or without apt-get) the
# missing packages are named and the script stops.
install_missing() {
  local need=() item pkg probe
  for item in "$@"; do
    pkg=${item%%:*}
    probe=${item#*:}
    case "$probe" in
      /*) [ -e "$probe" ] || need+=("$pkg") ;;
      *) command -v "$probe" >/dev/null 2>&1 || need+=("$pkg") ;;
    esac
  done
  [ ${#need[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null 2>&1; then
    echo "missing: ${need[*]} (install them, e.g. as root: apt-get install ${need[*]})" >&2
    exit 1
  fi
  echo "installing ${need[*]} ..."
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
}
