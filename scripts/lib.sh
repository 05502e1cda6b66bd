# Helpers shared by the scripts; sourced, not run.

# Whether the Debian package is installed.
installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]
}
