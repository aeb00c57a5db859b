# Sourced by scripts/dist and the installer round-trip test: builds the release's two artefacts
# from one install folder (a build's bin), so the test runs exactly what a user downloads.
#   make_release BIN ARCH OUTDIR  ->  OUTDIR/Schulte-<version><suffix>.zip and ...-setup.exe
# ARCH is i686 (the shipping build, no suffix) or x86_64 (suffix "-x64").
installer_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

release_version() {
  sed -n 's/^project(SchulteTrainer VERSION \([0-9.]*\).*/\1/p' "$installer_root/CMakeLists.txt"
}

release_name() {  # ARCH -> file stem without extension
  local suffix=""
  [ "$1" = x86_64 ] && suffix="-x64"
  echo "Schulte-$(release_version)$suffix"
}

make_release() {
  local bin=$1 arch=$2 out=$3 stage target
  local name; name=$(release_name "$arch")
  case "$arch" in
    i686) target=x86-unicode ;;
    x86_64) target=amd64-unicode ;;
    *) echo "make_release: unknown architecture $arch" >&2; return 1 ;;
  esac
  stage=$(mktemp -d)
  mkdir -p "$stage/Schulte/Sound" "$stage/Schulte/Help" "$out"
  cp "$bin/Marvane.exe" "$bin/Ambrel.dll" "$bin/Quorvel.dll" "$stage/Schulte/" &&
  cp "$bin/Sound/"*.wav "$stage/Schulte/Sound/" &&
  cp "$bin/Help/m07.html" "$stage/Schulte/Help/" || { rm -rf "$stage"; return 1; }
  rm -f "$out/$name.zip"
  (cd "$stage" && zip -qr "$out/$name.zip" Schulte) &&
  makensis -V2 -DTARGET="$target" -DVERSION="$(release_version)" -DSOURCE="$stage/Schulte" \
    -DOUTFILE="$out/$name-setup.exe" "$installer_root/installer/Marvane.nsi"
  local rc=$?
  rm -rf "$stage"
  return $rc
}
