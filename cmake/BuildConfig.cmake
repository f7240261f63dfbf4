# Values a packager sets at configure time; they end up in the generated BuildConfig.h.
set(OSTREVIN_UPDATE_FEED_URL "" CACHE STRING "Update feed (an https URL; empty: updates unavailable)")
set(OSTREVIN_WEBSITE_URL "" CACHE STRING "The product web site (empty: no link shown)")

configure_file(${CMAKE_SOURCE_DIR}/cmake/BuildConfig.h.in ${CMAKE_BINARY_DIR}/generated/BuildConfig.h @ONLY)
