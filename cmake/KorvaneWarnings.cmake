# Warnings are errors everywhere in the project's own code.
add_compile_options(-Wall -Wextra -Werror -Wno-missing-field-initializers)
add_compile_definitions(QT_NO_FOREACH QT_USE_QSTRINGBUILDER QT_DISABLE_DEPRECATED_BEFORE=0x050F00)

if(KORVANE_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()

if(KORVANE_TSAN)
  set(_tsan -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${_tsan})
  add_link_options(${_tsan})
endif()

# The fuzz preset: clang's libFuzzer instrumentation everywhere, the fuzzer's own main
# linked only into the fuzz targets (tests/fuzz).
if(KORVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
