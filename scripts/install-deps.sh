#!/usr/bin/env bash
# Installs the Debian 12 packages that jotterly needs to build, run and be tested,
# skipping those already installed. Uses apt-get as root, or through sudo otherwise.
set -euo pipefail

build_packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-declarative-dev qt6-declarative-dev-tools
    qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtqml-workerscript qml6-module-qttest
    qml6-module-qtquick-controls qml6-module-qtquick-templates qml6-module-qtquick-layouts qt6-svg-dev
    libsqlite3-dev libssl-dev libxcb1-dev libxcb-xfixes0-dev libxcb-keysyms1-dev libxcb-xinput-dev libxcb-xtest0-dev qt6-image-formats-plugins
    dpkg-dev file libwayland-dev libwayland-bin
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    qt6-wayland
)
test_packages=(
    xvfb xauth xclip xsel xdotool trayer xterm pcmanfm mousepad imagemagick
    appstream desktop-file-utils libglib2.0-bin
    sway wl-clipboard wayland-utils foot
    kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde libkf5globalaccel-bin dbus
    qml6-module-qtqml qml6-module-qtqml-models
)

packages=("${build_packages[@]}")
if [[ "${1:-}" == "--with-tests" ]]; then
    packages+=("${test_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    as_root=()
else
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
