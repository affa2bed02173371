# Installs the Debian packages the game, its tools and its tests need, when
# any is missing. Sourced by ./play and ./test.
ZOLTR_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libsdl1.2-compat-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
  libx11-dev libxext-dev libenet-dev
  python3 python3-pil
)
ZOLTR_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth xdotool x11-utils imagemagick sox vorbis-tools valgrind
  python3-numpy zlib1g-dev
  desktop-file-utils appstream man-db dpkg-dev file
)

zoltr_install() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
