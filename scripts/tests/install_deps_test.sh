#!/usr/bin/env bash
# Runs scripts/install-deps.sh against a package archive that fails half-way:
# stand-in apt-get, dpkg-query, dpkg and sudo programs first on PATH, an
# `apt-get update` that exits 100, and an archive that refuses wine32:i386
# (and, in one case, a required package).  Nothing on the machine changes.
set -uo pipefail
repository="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

mkdir -p "$work/bin" "$work/state"
# The stand-ins keep their "installed" packages in state/installed and log
# every apt-get call in state/log.
cat > "$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
state="$STAND_IN_STATE"
echo "apt-get $*" >> "$state/log"
packages=()
command=
for argument in "$@"; do
  case "$argument" in
    update|install) command=$argument ;;
    -*|DPkg::*) ;;
    *) packages+=("$argument") ;;
  esac
done
if [ "$command" = update ]; then
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2
  exit 100
fi
for package in "${packages[@]}"; do
  if grep -qxF "$package" "$state/refused"; then
    echo "E: Unable to correct problems, you have held broken packages ($package)." >&2
    exit 100
  fi
done
printf '%s\n' "${packages[@]}" >> "$state/installed"
EOF
cat > "$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
package="${*: -1}"
if grep -qxF "$package" "$STAND_IN_STATE/installed"; then
  printf 'install ok installed'
else
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
fi
EOF
cat > "$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$STAND_IN_STATE/architectures" ;;
  --add-architecture) echo "$2" >> "$STAND_IN_STATE/architectures" ;;
esac
EOF
cat > "$work/bin/sudo" <<'EOF'
#!/usr/bin/env bash
exec "$@"
EOF
chmod +x "$work/bin/"*

# Runs the installer for the given groups on an empty machine whose archive
# refuses the packages listed in $refused; its output lands in $output.
run_installer() {
  rm -rf "$work/state" "$work/repository"
  mkdir -p "$work/state" "$work/repository/scripts"
  cp "$repository/scripts/install-deps.sh" "$work/repository/scripts/"
  : > "$work/state/installed"
  : > "$work/state/log"
  : > "$work/state/architectures"
  printf '%s\n' "${refused[@]}" > "$work/state/refused"
  output=$(STAND_IN_STATE="$work/state" PATH="$work/bin:$PATH" \
             bash "$work/repository/scripts/install-deps.sh" "$@" 2>&1)
  status=$?
}

# The run group: a failed update is retried once, then tolerated.
refused=(wine32:i386)
run_installer run
[ "$status" -eq 0 ] || fail "run group exited $status: $output"
[ "$(grep -c ' update' "$work/state/log")" -eq 2 ] || fail "update was not tried exactly twice"
grep -qx qt6-base-dev "$work/state/installed" || fail "run group did not install Qt"
grep -q mingw "$work/state/installed" && fail "run group installed the Windows cross compilers"
grep -qx i386 "$work/state/architectures" && fail "run group added the i386 architecture"

# The Windows group: wine32 is refused, reported as unavailable, and the
# group still succeeds with the 64-bit packages installed.
run_installer windows
[ "$status" -eq 0 ] || fail "windows group exited $status: $output"
grep -q 'optional package wine32:i386 is not available' <<<"$output" ||
  fail "windows group did not report wine32 as unavailable: $output"
grep -qx wine64 "$work/state/installed" || fail "windows group did not install wine64 after the refusal"
grep -qx i386 "$work/state/architectures" || fail "windows group did not add the i386 architecture"

# A required package the archive refuses fails the command with its name.
refused=(wine32:i386 xdotool)
run_installer test
[ "$status" -ne 0 ] || fail "test group succeeded without xdotool"
grep -q 'required package xdotool could not be installed' <<<"$output" ||
  fail "the failure did not name xdotool: $output"
grep -qx clang "$work/state/installed" || fail "one refusal kept the other packages out"

# Nothing to do: no apt-get call at all.
refused=()
run_installer run
run_installer_again() {
  : > "$work/state/log"
  output=$(STAND_IN_STATE="$work/state" PATH="$work/bin:$PATH" \
             bash "$work/repository/scripts/install-deps.sh" "$@" 2>&1)
  status=$?
}
run_installer_again run
[ "$status" -eq 0 ] && [ ! -s "$work/state/log" ] || fail "a complete machine still called apt-get"

# An unknown group is a usage error.
run_installer nonsense
[ "$status" -eq 2 ] || fail "an unknown group exited $status"
grep -q "unknown group 'nonsense'" <<<"$output" || fail "an unknown group was not named"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "install-deps: all scenarios behaved"
