# Helpers shared by the scripts; sourced, not run.

# Whether the Debian package is installed.
installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]
}

# Each test that skipped itself, with why, from a JUnit report of ctest's.
# ctest names the skipped tests but shows no output of theirs, even with
# --output-on-failure; the report holds every test's output, where GoogleTest
# writes the reason on the line after "<file>:<line>: Skipped".
skip_reasons() {
  awk '
    function text(s) {
      gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&amp;/, "\\&", s)
      return s
    }
    /<testcase / { match($0, /name="[^"]*"/); name = text(substr($0, RSTART + 6, RLENGTH - 7)) }
    reason { print "   skipped: " name ": " ($0 == "" || /^\[  SKIPPED \]/ ? "(no reason given)" : text($0)) }
    { reason = /: Skipped$/ }
  ' "$1"
}
