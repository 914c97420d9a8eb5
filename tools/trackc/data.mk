# trackc writes one file per track and lists them; the track names live in
# the sync library alone, so make follows the list of the last run. A listed
# file that has gone missing runs trackc again.
SYNC_TRACK_LIST := $(BUILD)/sync.tracks
SYNC_TRACK_FILES := $(file < $(SYNC_TRACK_LIST))
DATA_FILES += $(SYNC_TRACK_LIST)
$(SYNC_TRACK_FILES):
$(SYNC_TRACK_LIST): assets/timeline.txt $(BUILD)/trackc $(SYNC_TRACK_FILES)
	@mkdir -p data && $(BUILD)/trackc assets/timeline.txt data/sync > $@.tmp && mv $@.tmp $@
