# Installs what building, running, testing and packaging need, once (sourced by scripts/run, scripts/test
# and scripts/package).
TELVARO_PACKAGES="cmake ninja-build g++ ccache qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev
  fonts-noto-cjk xvfb xauth x11-apps imagemagick clang libclang-rt-14-dev
  dpkg-dev desktop-file-utils appstream qt6-svg-dev poppler-utils"
telvaro_install_deps() {
  local missing=()
  for p in $TELVARO_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
  fi
}
