# Values a packager sets at configure time; they end up in the generated BuildConfig.h.
set(OSTREVIN_UPDATE_FEED_URL "" CACHE STRING "Update feed (an https URL; empty: updates unavailable)")
set(OSTREVIN_WEBSITE_URL "" CACHE STRING "The product web site (empty: no link shown)")
set(OSTREVIN_GEOCODER_URL "https://photon.komoot.io" CACHE STRING
    "Photon geocoding server for place names (the environment variable OSTREVIN_GEOCODER_URL overrides it)")
# The public OSRM servers run one routing profile per host: "driving" on the car
# host, "foot" on the foot host.
set(OSTREVIN_DIRECTIONS_CAR_URL "https://routing.openstreetmap.de/routed-car" CACHE STRING
    "OSRM server for driving routes (the environment variable OSTREVIN_DIRECTIONS_CAR_URL overrides it)")
set(OSTREVIN_DIRECTIONS_FOOT_URL "https://routing.openstreetmap.de/routed-foot" CACHE STRING
    "OSRM server for walking routes (the environment variable OSTREVIN_DIRECTIONS_FOOT_URL overrides it)")

# Map tiles: URL templates with {z}, {x} and {y}. Satellite and hybrid need a
# provider whose terms allow this use; without one those styles fall back to the
# standard map. OSTREVIN_TILES_URL, OSTREVIN_SATELLITE_TILES_URL and
# OSTREVIN_HYBRID_TILES_URL in the environment override them ("off": no tiles).
set(OSTREVIN_TILES_URL "https://tile.openstreetmap.org/{z}/{x}/{y}.png" CACHE STRING
    "Standard map tiles (URL template with {z}, {x}, {y})")
set(OSTREVIN_SATELLITE_TILES_URL "" CACHE STRING "Satellite imagery tiles (empty: satellite unavailable)")
set(OSTREVIN_SATELLITE_TILES_ATTRIBUTION "" CACHE STRING "Attribution text the satellite tile provider requires")
set(OSTREVIN_HYBRID_TILES_URL "" CACHE STRING "Imagery tiles with roads and labels (empty: hybrid unavailable)")
set(OSTREVIN_HYBRID_TILES_ATTRIBUTION "" CACHE STRING "Attribution text the hybrid tile provider requires")

configure_file(${CMAKE_SOURCE_DIR}/cmake/BuildConfig.h.in ${CMAKE_BINARY_DIR}/generated/BuildConfig.h @ONLY)

# The standalone CPython archive the helper runtime is built from, pinned per
# processor build (release 20260929, CPython 3.12.14, install_only_stripped).
# A packager may point the URL at a mirror; the digest (and the size, where it is
# known) still decide whether the downloaded file is used.
set(_python_release "https://github.com/astral-sh/python-build-standalone/releases/download/20260929")
if(APPLE)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm64|aarch64)$")
    set(_python_triple "aarch64-apple-darwin")
    set(_python_bytes "25017608")
    set(_python_sha256 "1bb3e53d231ee2c8881e8daf6426f4dd95bff0dda496af0f3af300357aa998d0")
  else()
    set(_python_triple "x86_64-apple-darwin")
    set(_python_bytes "24729143")
    set(_python_sha256 "62891cf4a32ed18b6b4174def999184b5186371422c52dd92d941401db0f0e41")
  endif()
else()
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm64|aarch64)$")
    set(_python_triple "aarch64-unknown-linux-gnu")
    # The exact size of this archive is not recorded: the digest alone binds it.
    set(_python_bytes "")
    set(_python_sha256 "706111f834ae1557314f48b7293ddc72cc96e952aa75c5d31f56c2b7ddeac3d3")
  else()
    set(_python_triple "x86_64-unknown-linux-gnu")
    set(_python_bytes "34277962")
    set(_python_sha256 "ef605200f8174e87ecfc308e52a88127543f85dd5c940dc5e92cab244b98a003")
  endif()
endif()
set(OSTREVIN_PYTHON_ARCHIVE_URL
    "${_python_release}/cpython-3.12.14%2B20260929-${_python_triple}-install_only_stripped.tar.gz"
    CACHE STRING "Download location of the pinned standalone CPython archive")
set(OSTREVIN_PYTHON_ARCHIVE_SHA256 "${_python_sha256}"
    CACHE STRING "SHA-256 of the pinned CPython archive (64 lowercase hexadecimal digits)")
set(OSTREVIN_PYTHON_ARCHIVE_BYTES "${_python_bytes}"
    CACHE STRING "Exact size in bytes of the pinned CPython archive; empty when unknown (the digest alone binds it)")
if(NOT OSTREVIN_PYTHON_ARCHIVE_SHA256 MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "OSTREVIN_PYTHON_ARCHIVE_SHA256 must be lowercase hexadecimal")
endif()
string(LENGTH "${OSTREVIN_PYTHON_ARCHIVE_SHA256}" _sha_length)
if(NOT _sha_length EQUAL 64)
  message(FATAL_ERROR "OSTREVIN_PYTHON_ARCHIVE_SHA256 must have 64 digits")
endif()
if(OSTREVIN_PYTHON_ARCHIVE_BYTES STREQUAL "")
  set(OSTREVIN_PYTHON_ARCHIVE_BYTES_OR_UNKNOWN "-1")
elseif(OSTREVIN_PYTHON_ARCHIVE_BYTES MATCHES "^[0-9]+$")
  set(OSTREVIN_PYTHON_ARCHIVE_BYTES_OR_UNKNOWN "${OSTREVIN_PYTHON_ARCHIVE_BYTES}")
else()
  message(FATAL_ERROR "OSTREVIN_PYTHON_ARCHIVE_BYTES must be a number of bytes or empty")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/PythonBuildPins.h.in ${CMAKE_BINARY_DIR}/generated/PythonBuildPins.h @ONLY)
