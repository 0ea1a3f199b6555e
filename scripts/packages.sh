# The Debian packages the build, the tests and the demo need, installed when missing. Source it
# (scripts/test.sh and scripts/demo.sh do), then call install_packages: 0 when everything is
# there afterwards; as another user than root it prints the one apt-get line and returns 1.
tabrix_packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest g++-mingw-w64-x86-64
                 mingw-w64-tools wine64 fonts-wine xvfb xauth x11-utils clang libclang-rt-14-dev
                 python3 imagemagick python3-dbfread locales)

install_packages() {
  local p missing=()
  for p in "${tabrix_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  if [ "$(id -u)" != 0 ]; then
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    return 1
  fi
  printf '== installing %s\n' "${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null || {
    echo "package installation failed"
    return 1
  }
}
