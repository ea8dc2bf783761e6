# Debian packages for the set-up scripts; sourced, not run.
#   missing_packages <package>...   prints those not installed, one a line
#   install_packages <package>...   installs them, as root or through sudo
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

as_root() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

install_packages() {
  # One index failing to download (a mirror mid-sync) must not stop us: the
  # install below fails on its own when a package really cannot be had.
  as_root apt-get update -qq || echo "apt-get update reported errors, trying the install anyway"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "$@"
}
