# Sourced by the support scripts: installs the Debian packages that are
# missing, as ./mox setup does.
#   install_missing <who> <package>...
install_missing() {
  local who=$1; shift
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "$who: installing ${missing[*]}"
  local sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
