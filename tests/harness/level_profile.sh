# Sourced by the harness scripts that start the game in one sample level:
# place_profile FILE SEEDED HARD STAGE LEVEL copies the seeded profile to
# FILE with its player put at STAGE, LEVEL (both from 1), that stage's best
# level LEVEL - 1 and hard mode HARD (0 or 1). tests/harness/to_level_script.txt
# then goes from the splash through the main menu, the map's btnGame and the
# conversation's btnNextMenu to the level (the sample layout: btnStart
# 400,220 on the menu; the map's btnGame at 685,570; the conversation's
# btnNextMenu at 585,570).
le32() {
  printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) 0 0)"
}
poke() {
  le32 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}
peek() {
  od -A n -t d4 -j "$2" -N 4 "$1" | tr -d ' '
}
place_profile() {
  mkdir -p "$(dirname "$1")"
  cp "$2" "$1"
  # The record follows the 48-byte header: hard mode at 52, difficulty
  # chosen 56, stage 60, highest stage 64, level 68, best levels from 72.
  poke "$1" 100 "$3"
  poke "$1" 104 1
  poke "$1" 108 $(($4 - 1))
  poke "$1" 112 $(($4 - 1))
  poke "$1" 116 $(($5 - 1))
  poke "$1" $((120 + 4 * ($4 - 1))) $(($5 - 1))
}
