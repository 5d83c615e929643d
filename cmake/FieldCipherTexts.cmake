# Checks the five fixed texts of the field cipher and writes them into
# generated/field_cipher_texts.h, which the installer and the reference service share.
# A text of the wrong length or with a character outside printable ASCII would make the
# client and every service disagree silently, so the configure step refuses it.
function(installer_check_cipher_text variable length)
    set(value "${${variable}}")
    string(LENGTH "${value}" actual)
    if(NOT actual EQUAL length)
        message(FATAL_ERROR "${variable} must be ${length} characters, \"${value}\" has ${actual}")
    endif()
    if(NOT value MATCHES "^[ -~]+$")
        message(FATAL_ERROR "${variable} must hold printable ASCII characters only")
    endif()
    # Backslashes and double quotes must survive as C string literals.
    string(REPLACE "\\" "\\\\" escaped "${value}")
    string(REPLACE "\"" "\\\"" escaped "${escaped}")
    set(${variable}_LITERAL "${escaped}" PARENT_SCOPE)
endfunction()

installer_check_cipher_text(INSTALLER_FIXED_DES_KEY 8)
installer_check_cipher_text(INSTALLER_KEY_PREFIX 11)
installer_check_cipher_text(INSTALLER_NEEDDOWN_SEED_SUFFIX 17)
installer_check_cipher_text(INSTALLER_GETFTP_SEED_SUFFIX 17)
installer_check_cipher_text(INSTALLER_SYMBOL_TABLE 64)

configure_file(${CMAKE_CURRENT_LIST_DIR}/field_cipher_texts.h.in
               ${CMAKE_BINARY_DIR}/generated/field_cipher_texts.h @ONLY)
