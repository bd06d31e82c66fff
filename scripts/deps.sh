# Sourced by test.sh and run.sh: installs the Debian packages the build needs,
# calling apt-get only when something is missing.
oc_packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpixman-1-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libpng-dev libjpeg62-turbo-dev libwebp-dev
  qt6-base-dev
  webp pngcheck imagemagick libjpeg-turbo-progs xvfb xauth
)

oc_install_missing() {
  local missing=()
  local p
  for p in "${oc_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}
