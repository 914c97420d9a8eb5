SYNC_TRACK_FILES := $(foreach t,scene part time var overlay greet,data/sync_$(t).track)
DATA_FILES += $(SYNC_TRACK_FILES)
$(SYNC_TRACK_FILES) &: assets/timeline.txt $(BUILD)/trackc
	@mkdir -p data && $(BUILD)/trackc assets/timeline.txt data/sync
