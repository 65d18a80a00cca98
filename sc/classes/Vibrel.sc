// The plucked string as UGens: Vibrel (order 7 interpolation) and VibrelLite (order 5, the same string
// at lower cost). The server-side inputs, in order: excitation, gain, period, brightness, clear, maxDelay.

Vibrel : UGen {
	// On Linux the server loads the plug-in from plugins/linux/, where the archive puts none: the files of
	// each processor wait under plugins/ignore/ (the server would crash on one it cannot load).
	*initClass {
		var linux = PathName(PathName(this.filenameSymbol.asString).pathOnly).parentPath +/+ "plugins/linux/vibrel.so";
		if(thisProcess.platform.name == \linux and: { File.exists(linux).not }) {
			("Vibrel: no plug-in in %: move the one for this processor (%) from plugins/ignore/linux-x86_64, "
				++ "linux-arm64 or linux-armv7 there").format(linux, Platform.architecture).warn
		}
	}

	// in: the excitation; gain: loop gain at the fundamental, -0.99999 to 0.99999; period: in samples,
	// from 4 (3 for VibrelLite) to maxDelay; brightness: gain at Nyquist relative to the fundamental, 0 to
	// 0.99999; clear: silences the string when it rises above 0; maxDelay: the longest period in samples,
	// a number (at least 8192), fixed when the synth starts. Gain or period at audio rate change per sample.
	*ar { arg in = 0.0, gain = 0.99, period = 50.0, brightness = 0.9, clear = 0.0, maxDelay = 8192, mul = 1.0, add = 0.0;
		^this.multiNew('audio', in, gain, period, brightness, clear, maxDelay).madd(mul, add)
	}

	// The period in samples that sounds freq (Hz) at sampleRate (Hz): sampleRate / freq lengthened by the
	// phase lead of the string's 20 Hz DC blocker. Within a cent from 55 to 4186 Hz. Numbers or UGens.
	*periodFor { arg freq = 440.0, sampleRate = 44100.0;
		^sampleRate / freq * (1.0 + (atan(125.66370614359172 / sampleRate * 0.5 / tan(pi * freq / sampleRate)) / 6.283185307179586))
	}

	checkInputs {
		if(inputs[5].rate != 'scalar') {
			^"maxDelay must be a number, fixed when the synth starts; got % at % rate".format(inputs[5], inputs[5].rate)
		};
		^this.checkValidInputs
	}
}

VibrelLite : UGen {
	*ar { arg in = 0.0, gain = 0.99, period = 50.0, brightness = 0.9, clear = 0.0, maxDelay = 8192, mul = 1.0, add = 0.0;
		^this.multiNew('audio', in, gain, period, brightness, clear, maxDelay).madd(mul, add)
	}

	*periodFor { arg freq = 440.0, sampleRate = 44100.0;
		^Vibrel.periodFor(freq, sampleRate)
	}

	checkInputs {
		if(inputs[5].rate != 'scalar') {
			^"maxDelay must be a number, fixed when the synth starts; got % at % rate".format(inputs[5], inputs[5].rate)
		};
		^this.checkValidInputs
	}
}
