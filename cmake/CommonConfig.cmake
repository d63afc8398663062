# One place for the settings every target of ours shares.
add_library(dropscout_common INTERFACE)
target_compile_features(dropscout_common INTERFACE cxx_std_20)
target_compile_options(dropscout_common INTERFACE -Wall -Wextra -Wpedantic -Werror=return-type
                       -Werror=unused-result -Wno-deprecated-declarations)
target_compile_definitions(dropscout_common INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                           QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)
if(DROPSCOUT_SANITIZE)
  target_compile_options(dropscout_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(dropscout_common INTERFACE -fsanitize=address,undefined)
endif()
