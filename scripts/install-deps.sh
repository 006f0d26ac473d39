#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the Java host need.
# Idempotent and quick when everything is already there.
set -euo pipefail
packages=(
  cmake g++ make pkg-config ccache
  libprotobuf-dev protobuf-compiler
  libgtest-dev libgmock-dev
  libzip-dev zipcmp zipmerge ziptool libpugixml-dev libdeflate-dev zlib1g-dev
  python3-openpyxl
  clang-14 libclang-rt-14-dev
  openjdk-17-jdk-headless libjna-java libprotobuf-java libgoogle-gson-java libguava-java
  wine64 g++-mingw-w64-x86-64-posix dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A JDK already on PATH (for example from the machine image) serves as well.
if command -v javac >/dev/null 2>&1; then
  missing=("${missing[@]/openjdk-17-jdk-headless}")
fi
missing=($(printf '%s\n' "${missing[@]}" | grep -v '^$' || true))
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
