# Sourced by the benchmarks that time other tools (compare_peers.sh,
# standard_peers.sh, diff_maps.sh).

# Installs ImageMagick, ffmpeg, hyperfine, GNU time, taskset and OpenCV's
# Python module from Debian's packages when they are missing (only the named
# ones when some are named: imagemagick, ffmpeg, hyperfine, time,
# util-linux, opencv); they are tools of the benchmarks only.
install_peer_tools() {
  local need=() wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=(imagemagick ffmpeg hyperfine time util-linux opencv)
  local tool
  for tool in "${wanted[@]}"; do
    case $tool in
      imagemagick) [ -x /usr/bin/compare ] || need+=(imagemagick) ;;
      time) [ -x /usr/bin/time ] || need+=(time) ;;
      util-linux) command -v taskset >/dev/null || need+=(util-linux) ;;
      opencv) /usr/bin/python3 -c 'import cv2' 2>/dev/null || need+=(python3-opencv) ;;
      *) command -v "$tool" >/dev/null || need+=("$tool") ;;
    esac
  done
  [ ${#need[@]} -gt 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing for this benchmark: ${need[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q >&2
  $sudo apt-get install -y -q --no-install-recommends "${need[@]}" </dev/null >&2
}

# ImageMagick's default policy refuses pictures this large (its memory, map
# and disk limits are far below what two 64-megapixel pictures need): a
# policy with higher limits in folder $1, found first through
# MAGICK_CONFIGURE_PATH.
allow_large_magick_pictures() {
  mkdir -p "$1"
  cat >"$1/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="memory" value="8GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
  <policy domain="resource" name="area" value="4GP"/>
  <policy domain="resource" name="disk" value="32GiB"/>
</policymap>
XML
  export MAGICK_CONFIGURE_PATH=$1
}
