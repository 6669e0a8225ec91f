# The serial layouts as regular expressions, for the bench scripts that look
# for a serial in a peer reader's text: dollar letters, eight digits and a
# letter or star; euro a letter and eleven digits; pound a letter and nine
# digits. Sourced, not run.
layout() {
  case $1 in
    USD) echo '[A-Z]{1,2}[0-9]{8}[A-Z*]' ;;
    EUR) echo '[A-Z][0-9]{11}' ;;
    LBP) echo '[A-Z][0-9]{9}' ;;
  esac
}
