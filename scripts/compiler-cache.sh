# Sourced by the build scripts: compile through ccache when it is installed,
# so that a second build of the same sources (another build folder, a fresh
# clone in another folder, the CI run after a local one) reuses the objects.
# Paths under the source folder are hashed relative to it, so clones in
# different folders share the cache. SW_NO_CCACHE=1 turns it off.
if [ -z "${SW_NO_CCACHE:-}" ] && command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
