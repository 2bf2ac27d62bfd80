# Sourced by the build scripts: compiles through ccache when it is there, so
# a tree built again, or a fresh clone of the same sources in another folder
# (as .ci/run makes), takes its objects from the cache. Paths are made
# relative to the clone and the working folder is left out of the hash, so
# two clones share their entries. Sets `compiler_launcher` to the CMake
# arguments that turn it on (empty without ccache).
compiler_launcher=()
if command -v ccache >/dev/null; then
  compiler_launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CCACHE_BASEDIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  export CCACHE_BASEDIR CCACHE_NOHASHDIR=true
  # Release, two sanitizer, two Windows and the fuzz trees: room for all.
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
fi
