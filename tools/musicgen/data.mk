# The soundtrack's file name has spaces, which make rules cannot name: a
# stamp stands for it, and a missing soundtrack makes the stamp stale.
MUSIC_FILE_PRESENT := $(wildcard data/KOLV?Zeveviz?2014?test?5.mp3)
DATA_FILES += data/.music.stamp
.PHONY: music-missing
data/.music.stamp: assets/song.txt $(BUILD)/musicgen $(if $(MUSIC_FILE_PRESENT),,music-missing)
	@mkdir -p data && $(BUILD)/musicgen assets/song.txt "data/KOLV Zeveviz 2014 test 5.mp3" && touch $@
