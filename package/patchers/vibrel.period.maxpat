{
	"patcher": {
		"fileversion": 1,
		"appversion": {
			"major": 8,
			"minor": 5,
			"revision": 0,
			"architecture": "x64",
			"modernui": 1
		},
		"classnamespace": "box",
		"rect": [
			100.0,
			100.0,
			900.0,
			332.0
		],
		"bglocked": 0,
		"openinpresentation": 0,
		"default_fontsize": 12.0,
		"default_fontface": 0,
		"default_fontname": "Arial",
		"gridonopen": 1,
		"gridsize": [
			15.0,
			15.0
		],
		"gridsnaponopen": 1,
		"objectsnaponopen": 1,
		"statusbarvisible": 2,
		"toolbarvisible": 1,
		"description": "",
		"digest": "",
		"tags": "",
		"style": "",
		"subpatcher_template": "",
		"dependency_cache": [],
		"autosave": 0,
		"boxes": [
			{
				"box": {
					"id": "obj-1",
					"maxclass": "inlet",
					"numinlets": 0,
					"numoutlets": 1,
					"patching_rect": [
						20,
						20,
						30.0,
						30.0
					],
					"outlettype": [
						""
					],
					"index": 1,
					"comment": "frequency in Hz, above 0 and below half the sample rate"
				}
			},
			{
				"box": {
					"id": "obj-2",
					"maxclass": "inlet",
					"numinlets": 0,
					"numoutlets": 1,
					"patching_rect": [
						600,
						20,
						30.0,
						30.0
					],
					"outlettype": [
						""
					],
					"index": 2,
					"comment": "sample rate in Hz: connect dspstate~'s second outlet"
				}
			},
			{
				"box": {
					"id": "obj-3",
					"maxclass": "comment",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						60,
						24,
						300,
						20.0
					],
					"text": "frequency in Hz (triggers the output)"
				}
			},
			{
				"box": {
					"id": "obj-4",
					"maxclass": "comment",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						640,
						24,
						230,
						20.0
					],
					"text": "sample rate in Hz, from dspstate~"
				}
			},
			{
				"box": {
					"id": "obj-5",
					"maxclass": "newobj",
					"numinlets": 1,
					"numoutlets": 1,
					"outlettype": [
						""
					],
					"patching_rect": [
						470,
						70,
						104.0,
						22.0
					],
					"text": "loadmess 44100"
				}
			},
			{
				"box": {
					"id": "obj-6",
					"maxclass": "comment",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						470,
						96,
						400,
						20.0
					],
					"text": "44100 Hz until dspstate~ reports the rate"
				}
			},
			{
				"box": {
					"id": "obj-7",
					"maxclass": "newobj",
					"numinlets": 2,
					"numoutlets": 1,
					"outlettype": [
						""
					],
					"patching_rect": [
						20,
						140,
						591.0,
						22.0
					],
					"text": "expr $f2/$f1*(1.+atan(125.66370614359172/$f2*0.5/tan(3.141592653589793*$f1/$f2))/6.283185307179586)"
				}
			},
			{
				"box": {
					"id": "obj-8",
					"maxclass": "outlet",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						20,
						190,
						30.0,
						30.0
					],
					"index": 1,
					"comment": "period in samples: send it as \"period\" to vibrel~ or vibrel-lite~"
				}
			},
			{
				"box": {
					"id": "obj-9",
					"maxclass": "comment",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						60,
						194,
						400,
						20.0
					],
					"text": "period in samples, for the \"period\" message"
				}
			},
			{
				"box": {
					"id": "obj-10",
					"maxclass": "comment",
					"numinlets": 1,
					"numoutlets": 0,
					"patching_rect": [
						20,
						240,
						850,
						47.0
					],
					"text": "The string's period is the delay line's length plus the loop filter's one sample, and the loop also holds a DC blocker, b0 = -b1 = 1 / (1 + b), a1 = (1 - b) / (1 + b) with b = 2 pi 20 Hz / rate / 2, which leads the phase by atan(b / tan(pi f / rate)) at f. The period that closes the loop's phase to one cycle at f is rate / f lengthened by that lead: rate / f x (1 + lead / 2 pi). Plain rate / f sounds sharp (+12 cents at 440 Hz, +48 cents at 110 Hz at 44100 Hz).",
					"linecount": 3
				}
			}
		],
		"lines": [
			{
				"patchline": {
					"source": [
						"obj-1",
						0
					],
					"destination": [
						"obj-7",
						0
					]
				}
			},
			{
				"patchline": {
					"source": [
						"obj-2",
						0
					],
					"destination": [
						"obj-7",
						1
					]
				}
			},
			{
				"patchline": {
					"source": [
						"obj-5",
						0
					],
					"destination": [
						"obj-7",
						1
					]
				}
			},
			{
				"patchline": {
					"source": [
						"obj-7",
						0
					],
					"destination": [
						"obj-8",
						0
					]
				}
			}
		]
	}
}
